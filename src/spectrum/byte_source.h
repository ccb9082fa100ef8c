// A pull interface for bytes, so that parsers can run over files, pipes and strings alike.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace kelmor {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `size` bytes into `buffer`. Returns the number of bytes read (at least 1),
  // 0 at the end of the input, or -1 after a read error. Blocks only until some bytes arrive.
  virtual std::ptrdiff_t read(char* buffer, std::size_t size) = 0;
};

// Serves a string, at most `chunk` bytes per read (small chunks exercise refills in tests).
class StringSource final : public ByteSource {
 public:
  explicit StringSource(std::string_view text, std::size_t chunk = static_cast<std::size_t>(-1))
      : text_(text), chunk_(chunk == 0 ? 1 : chunk) {}

  std::ptrdiff_t read(char* buffer, std::size_t size) override {
    const std::size_t n = std::min({size, chunk_, text_.size()});
    std::memcpy(buffer, text_.data(), n);
    text_.remove_prefix(n);
    return static_cast<std::ptrdiff_t>(n);
  }

 private:
  std::string_view text_;
  std::size_t chunk_;
};

// The C locale's whitespace: space, tab, line feed, vertical tab, form feed, carriage return.
constexpr bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A decimal digit. Takes an int so that -1 (no byte: the end of the input) is simply not one.
constexpr bool isDigit(int c) {
  return c >= '0' && c <= '9';
}

}  // namespace kelmor
