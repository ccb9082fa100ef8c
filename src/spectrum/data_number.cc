#include "spectrum/data_number.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>

namespace kelmor {
// from_chars reports result_out_of_range without a value; such a number either overflows
// (its leading digit stands at 10^1 or above, as the double range ends near 1.8e308) or
// underflows (below 2.5e-324). Decide which from the decimal position of the leading digit.
double outOfRangeValue(const char* first, const char* last, bool negative) {
  const char* p = first;
  bool seenPoint = false;
  bool seenNonzero = false;
  std::int64_t integerDigits = 0;
  std::int64_t leadingFractionZeros = 0;
  for (; p != last && (isDigit(*p) || *p == '.'); ++p) {
    if (*p == '.') {
      seenPoint = true;
    } else if (!seenPoint) {
      if (seenNonzero || *p != '0') {
        seenNonzero = true;
        ++integerDigits;
      }
    } else if (!seenNonzero) {
      if (*p == '0') {
        ++leadingFractionZeros;
      } else {
        seenNonzero = true;
      }
    }
  }
  // The decimal exponent of the leading nonzero digit, before the exponent part.
  const std::int64_t position = integerDigits > 0 ? integerDigits - 1 : -(leadingFractionZeros + 1);
  std::int64_t exponent = 0;
  if (p != last && (*p == 'e' || *p == 'E')) {
    ++p;
    bool negativeExponent = false;
    if (p != last && (*p == '+' || *p == '-')) negativeExponent = *p++ == '-';
    constexpr std::int64_t kCap = 1000000000;  // far beyond any double; keeps the sum in range
    for (; p != last && isDigit(*p); ++p) {
      if (exponent < kCap) exponent = exponent * 10 + (*p - '0');
    }
    if (negativeExponent) exponent = -exponent;
  }
  const double magnitude = position + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  return negative ? -magnitude : magnitude;
}

}  // namespace kelmor
