// Decimal numbers of the spectrum data.
//
// Grammar: an optional sign, digits with at most one decimal point among or around them (at
// least one digit), then an optional exponent (e or E, optional sign, digits). The number is
// the longest prefix of the text that matches; "inf", "nan" and hexadecimal forms are not
// numbers. The value is correctly rounded and does not depend on the locale. Beyond the double
// range it is infinity with the number's sign; below it, zero or subnormal as rounding gives.
#pragma once

#include <charconv>
#include <system_error>

#include "spectrum/byte_source.h"

namespace kelmor {

struct DataNumber {
  double value;     // meaningful only when ok
  const char* end;  // one past the number; equals `first` when !ok
  bool ok;          // false: the text does not begin with a number
};

inline constexpr long kDataNumberLookahead = 3;

// The value of a number that std::from_chars found out of the double range: +-infinity or +-0.
// [first, last) is the number without its sign.
double outOfRangeValue(const char* first, const char* last, bool negative);

// Parses the number at the start of [first, last). To be sure the prefix is the longest one,
// the caller either passes all of the text or makes sure at least kDataNumberLookahead bytes
// follow the returned end (or `first`, when not ok): "1e+5" needs all of "e+5" to be seen.
// Inline: it is called twice for every point of the spectrum.
inline DataNumber parseDataNumber(const char* first, const char* last) {
  const DataNumber none{0.0, first, false};
  // from_chars takes '-' itself but not '+'.
  const char* p = (first != last && *first == '+') ? first + 1 : first;
  const char* digits = (p == first && p != last && *p == '-') ? p + 1 : p;
  // Only a digit or a decimal point may follow the sign: this keeps out "inf", "nan", "+-1".
  if (digits == last || !(isDigit(*digits) || *digits == '.')) return none;

  double value = 0.0;
  const auto [end, ec] = std::from_chars(p, last, value, std::chars_format::general);
  if (ec == std::errc::invalid_argument) return none;
  if (ec == std::errc::result_out_of_range) value = outOfRangeValue(digits, end, *p == '-');
  return {value, end, true};
}

}  // namespace kelmor
