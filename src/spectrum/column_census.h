// How many numbers the data lines hold: the evidence for a column export (frequency, real,
// imaginary; or line number, frequency, amplitude) that the reader takes two at a time across
// lines.
//
// The census looks at the data lines, the lines after the skipped header that hold at least one
// number, up to the kCensusLines-th. It is fed the bytes the reader consumed, which are only
// whitespace and whole numbers the reader parsed (a frequency dropped for a bad amplitude
// included); only a line feed ends a line. The line on which reading stopped does not count.
// Cost: a second look at the first kCensusLines data lines only.
#pragma once

#include <cstdint>

namespace kelmor {

inline constexpr std::int64_t kCensusLines = 1000;

class ColumnCensus {
 public:
  // False once kCensusLines data lines have been counted: nothing more is looked at.
  bool active() const { return lines_ < kCensusLines; }
  // Counts the numbers and line feeds of [first, last): whitespace and whole numbers only.
  void count(const char* first, const char* last);
  // The input ended: the last line counts even without a line feed.
  void inputEnded() { endLine(); }
  // Reading stopped on the current line: its numbers do not count.
  void readingStopped() { current_ = 0; }
  // The count that every data line holds, when there are at least two lines and all agree;
  // otherwise 0.
  std::int64_t uniformCount() const { return lines_ >= 2 && uniform_ ? count_ : 0; }

 private:
  void endLine();

  std::int64_t lines_ = 0;    // data lines counted
  std::int64_t count_ = 0;    // numbers on the first data line
  std::int64_t current_ = 0;  // numbers so far on the line being read
  bool uniform_ = true;       // every data line so far holds count_ numbers
};

}  // namespace kelmor
