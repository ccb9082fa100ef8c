#include "reference_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace kelmor::test {
namespace {

bool space(char c) {
  return std::string_view(" \t\n\v\f\r").find(c) != std::string_view::npos;
}
bool digit(char c) {
  return c >= '0' && c <= '9';
}

// Length of the number at the start of `text`, or 0.
std::size_t lexNumber(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && digit(text[i]))
    ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && digit(text[i]))
      ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && digit(text[j])) {
      while (j < text.size() && digit(text[j]))
        ++j;
      i = j;
    }
  }
  return i;
}

double valueOf(std::string_view number) {
  const std::string copy(number);
  return std::strtod(copy.c_str(), nullptr);  // the C locale: no setlocale in tests
}

}  // namespace

std::string shownToken(std::string_view raw) {
  std::string shown;
  for (const char c : raw.substr(0, 32))
    shown += (c >= 0x21 && c <= 0x7E) ? c : '?';
  if (raw.size() > 32) shown += "...";
  return shown;
}

ReferenceRead referenceRead(std::string_view text, int headerLines, bool peak) {
  ReferenceRead out;
  std::size_t pos = 0;
  for (int i = 0; i < headerLines && pos < text.size(); ++i) {
    const std::size_t feed = text.find('\n', pos);
    pos = feed == std::string_view::npos ? text.size() : feed + 1;
  }
  std::vector<double> numbers;
  std::vector<long> counts;  // numbers per line, from the first data byte on
  counts.push_back(0);
  for (;;) {
    while (pos < text.size() && space(text[pos])) {
      if (text[pos] == '\n') counts.push_back(0);
      ++pos;
    }
    if (pos == text.size()) break;
    const std::size_t length = lexNumber(text.substr(pos));
    if (length == 0) {
      out.stopped = true;
      out.line = 1;
      for (std::size_t i = 0; i < pos; ++i)
        out.line += text[i] == '\n' ? 1 : 0;
      std::size_t end = pos;
      while (end < text.size() && !space(text[end]))
        ++end;
      out.token = std::string(text.substr(pos, end - pos));
      counts.back() = 0;  // the stop line does not count
      break;
    }
    ++counts.back();
    numbers.push_back(valueOf(text.substr(pos, length)));
    pos += length;
  }
  if (numbers.size() % 2 == 1) {
    if (out.stopped) {
      numbers.pop_back();  // its amplitude was the bad token
    } else {
      numbers.push_back(0.0);
    }
  }
  std::vector<long> dataLines;
  for (const long count : counts) {
    if (count > 0 && dataLines.size() < 1000) dataLines.push_back(count);
  }
  if (dataLines.size() >= 2 &&
      std::all_of(dataLines.begin(), dataLines.end(), [&](long c) { return c == dataLines[0]; })) {
    out.numbersPerLine = dataLines[0];
  }
  const double scale = peak ? std::sqrt(2.0) / 2.0 : 1.0;
  for (std::size_t i = 0; i < numbers.size(); i += 2) {
    out.points.emplace_back(numbers[i], numbers[i + 1] * scale);
  }
  return out;
}

}  // namespace kelmor::test
