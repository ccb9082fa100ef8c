#include "spectrum/column_census.h"

#include "spectrum/data_number.h"

namespace kelmor {

void ColumnCensus::endLine() {
  if (current_ == 0 || !active()) return;
  if (lines_ == 0) {
    count_ = current_;
  } else if (current_ != count_) {
    uniform_ = false;
  }
  ++lines_;
  current_ = 0;
}

void ColumnCensus::count(const char* first, const char* last) {
  const char* p = first;
  while (p != last && active()) {
    if (isSpace(*p)) {
      if (*p == '\n') endLine();
      ++p;
      continue;
    }
    // The range ends after a whole number, so the text up to `last` is all the text it needs.
    const DataNumber n = parseDataNumber(p, last);
    if (n.ok) {
      ++current_;
      p = n.end;
    } else {
      ++p;  // not reached: the reader consumes no other bytes
    }
  }
}

}  // namespace kelmor
