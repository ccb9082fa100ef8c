#include "spectrum/data_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace kelmor {
namespace {

struct NumberCase {
  const char* text;
  bool ok;
  double value;
  long consumed;  // bytes taken as the number
};

void PrintTo(const NumberCase& c, std::ostream* os) {
  *os << '"' << c.text << '"';
}

class DataNumberTest : public testing::TestWithParam<NumberCase> {};

TEST_P(DataNumberTest, ValueAndLengthOfLongestPrefix) {
  const NumberCase& c = GetParam();
  const std::string text = c.text;
  const DataNumber n = parseDataNumber(text.data(), text.data() + text.size());
  ASSERT_EQ(n.ok, c.ok) << c.text;
  EXPECT_EQ(n.end - text.data(), c.consumed) << c.text;
  if (c.ok) {
    EXPECT_EQ(n.value, c.value) << c.text;
    EXPECT_EQ(std::signbit(n.value), std::signbit(c.value)) << c.text;
  }
}

constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Forms, DataNumberTest,
    testing::Values(NumberCase{"5", true, 5, 1}, NumberCase{"5.", true, 5, 2},
                    NumberCase{".5", true, 0.5, 2}, NumberCase{"5.25", true, 5.25, 4},
                    NumberCase{"+5", true, 5, 2}, NumberCase{"-2", true, -2, 2},
                    NumberCase{"-0", true, -0.0, 2}, NumberCase{"1E3", true, 1000, 3},
                    NumberCase{"2.5e-1", true, 0.25, 6}, NumberCase{"+.5e+1", true, 5, 6}));

INSTANTIATE_TEST_SUITE_P(
    LongestPrefix, DataNumberTest,
    testing::Values(NumberCase{"1e", true, 1, 1}, NumberCase{"1e+", true, 1, 1},
                    NumberCase{"1e-x", true, 1, 1}, NumberCase{"0x1p3", true, 0, 1},
                    NumberCase{"1.5.3", true, 1.5, 3}, NumberCase{"1-2", true, 1, 1},
                    NumberCase{"12,5", true, 12, 2}, NumberCase{"3Hz", true, 3, 1}));

INSTANTIATE_TEST_SUITE_P(
    NotNumbers, DataNumberTest,
    testing::Values(NumberCase{".", false, 0, 0}, NumberCase{"-.", false, 0, 0},
                    NumberCase{"+", false, 0, 0}, NumberCase{"-", false, 0, 0},
                    NumberCase{"+-1", false, 0, 0}, NumberCase{"--1", false, 0, 0},
                    NumberCase{"inf", false, 0, 0}, NumberCase{"-inf", false, 0, 0},
                    NumberCase{"nan", false, 0, 0}, NumberCase{"e5", false, 0, 0},
                    NumberCase{"", false, 0, 0}, NumberCase{"abc", false, 0, 0}));

INSTANTIATE_TEST_SUITE_P(
    Range, DataNumberTest,
    testing::Values(NumberCase{"1e400", true, kInf, 5}, NumberCase{"-1e400", true, -kInf, 6},
                    NumberCase{"1e-400", true, 0.0, 6}, NumberCase{"-1e-400", true, -0.0, 7},
                    NumberCase{"0.000001e-320", true, 0.0, 13},
                    NumberCase{"123456e304", true, kInf, 10},
                    NumberCase{"1e99999999999999999999", true, kInf, 22},
                    NumberCase{"1e-99999999999999999999", true, 0.0, 23},
                    NumberCase{"4.9406564584124654e-324", true, 4.9406564584124654e-324, 23},
                    NumberCase{"2.4703282292062328e-324", true, 4.9406564584124654e-324, 23},
                    NumberCase{"2.4703282292062327e-324", true, 0.0, 23},
                    NumberCase{"1.7976931348623157e308", true, 1.7976931348623157e308, 22},
                    NumberCase{"1.7976931348623159e308", true, kInf, 22}));

TEST(DataNumber, LongMantissaIsCorrectlyRounded) {
  // 0.1 followed by a thousand digits that push it just above the tie between two doubles.
  std::string text = "1" + std::string(1000, '0') + "e-1000";
  DataNumber n = parseDataNumber(text.data(), text.data() + text.size());
  ASSERT_TRUE(n.ok);
  EXPECT_EQ(n.value, 1.0);
  EXPECT_EQ(n.end, text.data() + text.size());

  // 2^53 + 1 is a tie; a nonzero digit far out breaks it upwards.
  text = "9007199254740993." + std::string(900, '0') + "1";
  n = parseDataNumber(text.data(), text.data() + text.size());
  EXPECT_EQ(n.value, 9007199254740994.0);
}

}  // namespace
}  // namespace kelmor
