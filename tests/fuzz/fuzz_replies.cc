// The reply reader over arbitrary standard input: the same answers whatever the read sizes,
// names free of whitespace, and nothing but failures once the input has ended.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/replies.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

struct Answer {
  bool isName = false;
  std::string name;
  std::optional<std::int32_t> number;
  bool operator==(const Answer&) const = default;
};

// Byte 0 chooses the questions (bit set: a number question); the dialogue's five come first.
std::vector<Answer> ask(std::string_view input, std::uint8_t pattern, std::size_t chunk) {
  kelmor::StringSource source(input, chunk);
  kelmor::ReplyReader replies(source);
  std::vector<Answer> answers;
  const bool dialogue[5] = {false, true, true, true, false};
  for (int i = 0; i < 13; ++i) {
    const bool number = i < 5 ? dialogue[i] : ((pattern >> (i - 5)) & 1) != 0;
    Answer a;
    if (number) {
      a.number = replies.readInteger();
    } else {
      a.isName = true;
      a.name = replies.readName();
      for (const char c : a.name)
        check(!kelmor::isSpace(c));
    }
    answers.push_back(a);
  }
  return answers;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::vector<Answer> whole = ask(input, data[0], 1 << 16);
  check(ask(input, data[0], 1) == whole);
  check(ask(input, data[0], 1 + data[0] % 7u) == whole);
  // An empty name means the input has ended: every later reply fails too.
  bool ended = false;
  for (const Answer& a : whole) {
    if (ended) check(a.name.empty() && !a.number);
    if (a.isName && a.name.empty()) ended = true;
  }
  return 0;
}
