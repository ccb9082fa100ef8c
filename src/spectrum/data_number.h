// Decimal numbers of the spectrum data.
//
// Grammar: an optional sign, digits with at most one decimal point among or around them (at
// least one digit), then an optional exponent (e or E, optional sign, digits). The number is
// the longest prefix of the text that matches; "inf", "nan" and hexadecimal forms are not
// numbers. The value is correctly rounded and does not depend on the locale. Beyond the double
// range it is infinity with the number's sign; below it, zero or subnormal as rounding gives.
#pragma once

namespace kelmor {

struct DataNumber {
  double value;     // meaningful only when ok
  const char* end;  // one past the number; equals `first` when !ok
  bool ok;          // false: the text does not begin with a number
};

// Parses the number at the start of [first, last). To be sure the prefix is the longest one,
// the caller either passes all of the text or makes sure at least kDataNumberLookahead bytes
// follow the returned end (or `first`, when not ok): "1e+5" needs all of "e+5" to be seen.
DataNumber parseDataNumber(const char* first, const char* last);

inline constexpr long kDataNumberLookahead = 3;

}  // namespace kelmor
