#include "run/replies.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

namespace kelmor {
namespace {

// One question: a name, or a number (nullopt when the reply fails).
using Answer = std::variant<std::string, std::optional<std::int32_t>>;
struct Name {};
struct Number {};
using Question = std::variant<Name, Number>;

struct ReplyCase {
  const char* name;
  std::string input;
  std::vector<Question> questions;
  std::vector<Answer> answers;
};

std::vector<Answer> ask(const ReplyCase& c, std::size_t chunk) {
  StringSource source(c.input, chunk);
  ReplyReader replies(source);
  std::vector<Answer> answers;
  for (const Question& q : c.questions) {
    if (std::holds_alternative<Name>(q)) {
      answers.emplace_back(replies.readName());
    } else {
      answers.emplace_back(replies.readInteger());
    }
  }
  return answers;
}

void PrintTo(const ReplyCase& c, std::ostream* os) {
  *os << c.name;
}

class ReplyTest : public testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyTest, Answers) {
  EXPECT_EQ(ask(GetParam(), 4096), GetParam().answers);
  EXPECT_EQ(ask(GetParam(), 1), GetParam().answers) << "read one byte at a time";
}

const std::vector<Question> kDialogue = {Name{}, Number{}, Number{}, Number{}, Name{}};
const std::optional<std::int32_t> kFailed;
std::optional<std::int32_t> n(std::int32_t v) {
  return v;
}

INSTANTIATE_TEST_SUITE_P(
    Dialogue, ReplyTest,
    testing::Values(
        ReplyCase{"OneLine",
                  "data.txt 3 1 1 out.txt\n",
                  kDialogue,
                  {"data.txt", n(3), n(1), n(1), "out.txt"}},
        ReplyCase{
            "OneLineEach", "a\r\n2\r\n1\r\n1\r\nb\r\n", kDialogue, {"a", n(2), n(1), n(1), "b"}},
        ReplyCase{"WordFailsThreeTimesThenIsTheName",
                  "in abc\n",
                  kDialogue,
                  {"in", kFailed, kFailed, kFailed, "abc"}},
        ReplyCase{"SpaceInName",
                  "my data.txt 1 2 out",
                  kDialogue,
                  {"my", kFailed, kFailed, kFailed, "data.txt"}},
        ReplyCase{"TrailingLetters", "in 2x 1 out", kDialogue, {"in", n(2), kFailed, kFailed, "x"}},
        ReplyCase{"SignWithoutDigitsStays",
                  "in -x +\n",
                  kDialogue,
                  {"in", kFailed, kFailed, kFailed, "-x"}},
        ReplyCase{"LoneSignIsTheName", "in + 1", kDialogue, {"in", kFailed, kFailed, kFailed, "+"}},
        ReplyCase{"Signs", "in +7 -1 -0 out", kDialogue, {"in", n(7), n(-1), n(0), "out"}},
        ReplyCase{"EndOfInput", "in 4", kDialogue, {"in", n(4), kFailed, kFailed, ""}},
        ReplyCase{"NothingAtAll", "", kDialogue, {"", kFailed, kFailed, kFailed, ""}},
        ReplyCase{
            "AllSixSpaces", "\v\fin\t2\r1\v1\fout", kDialogue, {"in", n(2), n(1), n(1), "out"}},
        // Only the six whitespace bytes end a name: control bytes, NUL among them, stay in it.
        ReplyCase{"ControlBytesInNames",
                  std::string("in\x01\x1f\x7f 0 2 1 out\0x\x1b", 18),
                  kDialogue,
                  {"in\x01\x1f\x7f", n(0), n(2), n(1), std::string("out\0x\x1b", 6)}}),
    [](const auto& row) { return std::string(row.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Saturation, ReplyTest,
    testing::Values(ReplyCase{
        "Limits",
        "2147483647 2147483648 -2147483648 -2147483649 99999999999999999999999 "
        "-99999999999999999999999 0000000000000000000000042",
        std::vector<Question>(7, Number{}),
        {n(2147483647), n(2147483647), n(-2147483647 - 1), n(-2147483647 - 1), n(2147483647),
         n(-2147483647 - 1), n(42)}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Replies, LongNameIsKeptWhole) {
  const std::string longName(5000, 'n');
  const std::string input = longName + " 1";
  StringSource source(input);
  ReplyReader replies(source);
  EXPECT_EQ(replies.readName(), longName);
  EXPECT_EQ(replies.readInteger(), 1);
}

// A reply is taken without reading ahead into the next one, so that each prompt can be shown
// before its reply is awaited.
class CountingSource final : public ByteSource {
 public:
  explicit CountingSource(std::vector<std::string> lines) : lines_(std::move(lines)) {}
  std::ptrdiff_t read(char* buffer, std::size_t size) override {
    if (reads_ >= lines_.size()) return 0;
    const std::string& line = lines_[reads_++];
    const std::size_t n = std::min(size, line.size());
    line.copy(buffer, n);
    return static_cast<std::ptrdiff_t>(n);
  }
  std::size_t reads() const { return reads_; }

 private:
  std::vector<std::string> lines_;
  std::size_t reads_ = 0;
};

TEST(Replies, ReadsNoFurtherThanTheReplyNeeds) {
  CountingSource source({"in.txt\n", "2\n", "1\n"});
  ReplyReader replies(source);
  EXPECT_EQ(replies.readName(), "in.txt");
  EXPECT_EQ(source.reads(), 1u);
  EXPECT_EQ(replies.readInteger(), 2);
  EXPECT_EQ(source.reads(), 2u);
}

}  // namespace
}  // namespace kelmor
