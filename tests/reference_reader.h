// A deliberately simple reader of spectrum text, written apart from the real one: the whole text
// in memory, a character-by-character lexer, strtod for values out of the double range. Tests
// and fuzz targets compare the streaming reader with it.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelmor::test {

struct ReferenceRead {
  std::vector<std::pair<double, double>> points;  // frequency, amplitude (RMS)
  bool stopped = false;                           // a token that is not a number stopped it
  long line = 0;                                  // its line, from 1
  std::string token;                              // its bytes, up to the next whitespace
  // The count of numbers on each of the first 1000 lines holding numbers (not the stop line),
  // when there are at least two such lines and all agree; else 0.
  long numbersPerLine = 0;
};

ReferenceRead referenceRead(std::string_view text, int headerLines, bool peak);

// The token as the stop report shows it: 32 bytes at most and "...", '?' for unprintables.
std::string shownToken(std::string_view raw);

}  // namespace kelmor::test
