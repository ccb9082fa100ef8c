// The number formatter over arbitrary doubles, widths and decimals: the report's fields keep
// their widths, and every result parses back to the value within the printed precision.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "bands/number_format.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

// Parsed as long double: a value rounded up past the largest double must still parse.
long double parse(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  const std::string copy(text);
  char* end = nullptr;
  const long double value = std::strtold(copy.c_str(), &end);
  check(!copy.empty() && end == copy.c_str() + copy.size());
  return value;
}

// |printed - value| must be within half a unit in the last printed place, plus the error of
// the 17-digit step and of parsing back (a few parts in 10^17 of the value, and subnormals).
void checkClose(long double printed, double value, long double unit) {
  const auto exact = static_cast<long double>(value);
  const long double error = std::fabs(printed - exact);
  const long double allowed = unit / 2 * (1 + 1e-12L) + std::fabs(exact) * 1e-15L + 5e-324L;
  check(error <= allowed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < sizeof(double)) return 0;
  double value = 0;
  std::memcpy(&value, data, sizeof value);
  const int width = size > 8 ? data[8] % 80 - 5 : 12;
  const int decimals = size > 9 ? data[9] % 40 - 3 : 4;

  const auto level = kelmor::formatScientific(value, 12, 4);
  const auto centre = kelmor::formatFixed(value, 10, 2);
  const auto any = kelmor::formatScientific(value, width, decimals);
  const auto anyFixed = kelmor::formatFixed(value, width, decimals);
  check(level.size == 12);  // three exponent digits always suffice for a double
  check(centre.size >= 10 && centre.size <= centre.chars.size());
  check(any.size <= any.chars.size() && anyFixed.size <= anyFixed.chars.size());
  const auto field = static_cast<std::size_t>(std::clamp(width, 0, kelmor::kMaxWidth));
  check(any.size >= field && anyFixed.size >= field);
  if (!std::isfinite(value)) return 0;

  const int places = std::clamp(decimals, 0, kelmor::kMaxDecimals);
  const int exponent = value == 0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(value))));
  // The rounded value may carry into the next power of ten: allow for it with exponent + 1.
  checkClose(parse(level.view()), value, std::pow(10.0L, exponent + 1 - 4));
  checkClose(parse(any.view()), value, std::pow(10.0L, exponent + 1 - places));
  checkClose(parse(centre.view()), value, 0.01L);
  checkClose(parse(anyFixed.view()), value, std::pow(10.0L, -places));
  return 0;
}
