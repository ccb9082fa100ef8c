// Number formatting for the report, like printf's %W.Df and %W.De with two differences:
// - rounding: the value is first converted to 17 significant digits (correctly rounded), and
//   that digit string is then rounded half up to the digits printed. So 1.03125 with %.4e gives
//   1.0313e+000 and 0.295375 gives 2.9538e-001, where printf gives 1.0312 and 2.9537.
// - the exponent of %e always has at least three digits (e+000, e-001, e+308).
// Infinities and NaN print as "inf", "-inf" and "nan", right-aligned in the field.
// Formatting always succeeds; `decimals` is clamped to [0, kMaxDecimals] and `width` to
// [0, kMaxWidth]. A result wider than the field is not cut.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace kelmor {

inline constexpr int kMaxDecimals = 30;
inline constexpr int kMaxWidth = 64;

struct FormattedNumber {
  // Room for the widest %f: sign, 309 integer digits, point, kMaxDecimals decimals.
  std::array<char, 1 + 309 + 1 + kMaxDecimals + 1> chars{};
  std::size_t size = 0;
  std::string_view view() const { return {chars.data(), size}; }
};

FormattedNumber formatFixed(double value, int width, int decimals);       // %W.Df
FormattedNumber formatScientific(double value, int width, int decimals);  // %W.De

}  // namespace kelmor
