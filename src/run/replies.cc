#include "run/replies.h"

#include <algorithm>
#include <array>
#include <limits>

namespace kelmor {
int ReplyReader::peek(std::size_t offset) {
  while (next_ + offset >= pending_.size() && !ended_) {
    if (next_ > 0) {  // drop what was consumed, so the buffer holds one reply at most
      pending_.erase(0, next_);
      next_ = 0;
    }
    std::array<char, 4096> chunk{};
    const std::ptrdiff_t got = source_.read(chunk.data(), chunk.size());
    if (got <= 0) {
      ended_ = true;
    } else {
      pending_.append(chunk.data(), static_cast<std::size_t>(got));
    }
  }
  if (next_ + offset >= pending_.size()) return -1;
  return static_cast<unsigned char>(pending_[next_ + offset]);
}

void ReplyReader::skipSpace() {
  for (int c = peek(0); c >= 0 && isSpace(static_cast<char>(c)); c = peek(0))
    ++next_;
}

std::string ReplyReader::readName() {
  skipSpace();
  std::string name;
  for (int c = peek(0); c >= 0 && !isSpace(static_cast<char>(c)); c = peek(0)) {
    name += static_cast<char>(c);
    ++next_;
  }
  return name;
}

std::optional<std::int32_t> ReplyReader::readInteger() {
  skipSpace();
  std::size_t digitsAt = 0;
  const int first = peek(0);
  if (first == '+' || first == '-') digitsAt = 1;
  if (!isDigit(peek(digitsAt))) return std::nullopt;  // nothing consumed but whitespace

  const bool negative = first == '-';
  next_ += digitsAt;
  // Accumulate towards the limit on the number's side; past it, saturate.
  const std::int64_t limit = negative ? -std::int64_t{std::numeric_limits<std::int32_t>::min()}
                                      : std::int64_t{std::numeric_limits<std::int32_t>::max()};
  std::int64_t magnitude = 0;
  for (int c = peek(0); isDigit(c); c = peek(0)) {
    magnitude = std::min(magnitude * 10 + (c - '0'), limit);
    ++next_;
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace kelmor
