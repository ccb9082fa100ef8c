#include "bands/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace kelmor {
namespace {

constexpr int kSignificant = 17;

// The 17 significant digits of |value| and the decimal exponent of the first one.
struct Digits {
  std::array<char, kSignificant> d;
  int exponent;
};

Digits digits17(double magnitude) {
  // to_chars with a precision is exact, like printf: "d.dddddddddddddddde+XX".
  std::array<char, 32> text{};
  const auto result = std::to_chars(text.data(), text.data() + text.size(), magnitude,
                                    std::chars_format::scientific, kSignificant - 1);
  Digits out{};
  out.d[0] = text[0];
  std::copy_n(text.data() + 2, kSignificant - 1, out.d.data() + 1);
  const char* exponent = text.data() + 1 + kSignificant + 1;  // after "d.", the digits, 'e'
  if (*exponent == '+') ++exponent;                           // from_chars takes '-' but not '+'
  std::from_chars(exponent, result.ptr, out.exponent);
  return out;
}

// Rounds the digit string `s` half up to its first `keep` digits (keep >= 0), looking only at
// the first dropped digit. Returns true when the carry ran out of the front ("99" -> "100").
bool roundHalfUp(std::string& s, std::size_t keep) {
  const bool up = keep < s.size() && s[keep] >= '5';
  s.resize(keep);
  if (!up) return false;
  for (std::size_t i = keep; i-- > 0;) {
    if (s[i] != '9') {
      ++s[i];
      return false;
    }
    s[i] = '0';
  }
  s.insert(s.begin(), '1');
  return true;
}

FormattedNumber padded(std::string_view body, int width) {
  FormattedNumber out;
  const std::size_t field = static_cast<std::size_t>(std::clamp(width, 0, kMaxWidth));
  const std::size_t pad = field > body.size() ? field - body.size() : 0;
  std::fill_n(out.chars.data(), pad, ' ');
  std::copy(body.begin(), body.end(), out.chars.data() + pad);
  out.size = pad + body.size();
  return out;
}

// Non-finite values, as printf writes them; nullopt-like empty string for finite ones.
std::string_view nonFinite(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  return {};
}

}  // namespace

FormattedNumber formatScientific(double value, int width, int decimals) {
  if (const std::string_view text = nonFinite(value); !text.empty()) return padded(text, width);
  const auto places = static_cast<std::size_t>(std::clamp(decimals, 0, kMaxDecimals));
  const Digits digits = digits17(std::fabs(value));
  std::string s(digits.d.begin(), digits.d.end());
  int exponent = digits.exponent;
  if (places + 1 < s.size()) {
    if (roundHalfUp(s, places + 1)) {
      s.pop_back();  // "1000" for "9999": one digit too many, and the exponent grows
      ++exponent;
    }
  } else {
    s.resize(places + 1, '0');
  }
  if (value == 0) exponent = 0;

  std::string body;
  if (std::signbit(value)) body += '-';
  body += s[0];
  if (places > 0) {
    body += '.';
    body.append(s, 1);
  }
  body += exponent < 0 ? "e-" : "e+";
  std::string exp = std::to_string(exponent < 0 ? -exponent : exponent);
  if (exp.size() < 3) exp.insert(0, 3 - exp.size(), '0');
  body += exp;
  return padded(body, width);
}

FormattedNumber formatFixed(double value, int width, int decimals) {
  if (const std::string_view text = nonFinite(value); !text.empty()) return padded(text, width);
  const int places = std::clamp(decimals, 0, kMaxDecimals);
  const Digits digits = digits17(std::fabs(value));
  // The digits kept are those at 10^-places and above: exponent + places + 1 of them.
  const int keep = value == 0 ? 0 : digits.exponent + places + 1;
  std::string s;  // the kept digits: the value in units of 10^-places
  if (keep >= 0) {
    s.assign(digits.d.begin(), digits.d.end());
    if (keep < kSignificant) {
      roundHalfUp(s, static_cast<std::size_t>(keep));
    } else {
      s.append(static_cast<std::size_t>(keep - kSignificant), '0');
    }
  }
  // At least one integer digit; decimals below the leading digit are zeros.
  const auto minimum = static_cast<std::size_t>(places) + 1;
  if (s.size() < minimum) s.insert(0, minimum - s.size(), '0');

  std::string body;
  if (std::signbit(value)) body += '-';
  const std::size_t integerDigits = s.size() - static_cast<std::size_t>(places);
  body.append(s, 0, integerDigits);
  if (places > 0) {
    body += '.';
    body.append(s, integerDigits);
  }
  return padded(body, width);
}

}  // namespace kelmor
