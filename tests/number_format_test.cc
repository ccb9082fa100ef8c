#include "bands/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace kelmor {
namespace {

struct FormatCase {
  double value;
  const char* expected;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
  *os << '"' << c.expected << '"';
}

class ScientificTest : public testing::TestWithParam<FormatCase> {};
class FixedTest : public testing::TestWithParam<FormatCase> {};

// The report's level column: %12.4e.
TEST_P(ScientificTest, LevelColumn) {
  EXPECT_EQ(formatScientific(GetParam().value, 12, 4).view(), GetParam().expected);
}

// The report's centre column: %10.2f.
TEST_P(FixedTest, CentreColumn) {
  EXPECT_EQ(formatFixed(GetParam().value, 10, 2).view(), GetParam().expected);
}

constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(Zero, ScientificTest,
                         testing::Values(FormatCase{0.0, " 0.0000e+000"},
                                         FormatCase{-0.0, "-0.0000e+000"}));

// Ties in the 17-digit string round up, where printf rounds the binary value to even/down.
INSTANTIATE_TEST_SUITE_P(TiesRoundUp, ScientificTest,
                         testing::Values(FormatCase{1.03125, " 1.0313e+000"},
                                         FormatCase{0.295375, " 2.9538e-001"},
                                         FormatCase{1.00005, " 1.0001e+000"},
                                         FormatCase{0.0999995, " 1.0000e-001"}));

INSTANTIATE_TEST_SUITE_P(NearTies, ScientificTest,
                         testing::Values(FormatCase{1.0312499999999, " 1.0312e+000"},
                                         FormatCase{1.0312500000001, " 1.0313e+000"},
                                         // 17 digits 2.5001499999999998: just below the tie
                                         FormatCase{2.50015e-7, " 2.5001e-007"}));

INSTANTIATE_TEST_SUITE_P(Carries, ScientificTest,
                         testing::Values(FormatCase{9.99995, " 1.0000e+001"},
                                         FormatCase{9.99994999, " 9.9999e+000"},
                                         FormatCase{99999.5, " 1.0000e+005"}));

INSTANTIATE_TEST_SUITE_P(Extremes, ScientificTest,
                         testing::Values(FormatCase{1.7976931348623157e308, " 1.7977e+308"},
                                         FormatCase{4.9406564584124654e-324, " 4.9407e-324"},
                                         FormatCase{1e100, " 1.0000e+100"},
                                         FormatCase{-3.1623e-5, "-3.1623e-005"},
                                         FormatCase{kInf, "         inf"},
                                         FormatCase{-kInf, "        -inf"},
                                         FormatCase{std::nan(""), "         nan"}));

INSTANTIATE_TEST_SUITE_P(
    Centres, FixedTest,
    testing::Values(FormatCase{0.0, "      0.00"}, FormatCase{1.6, "      1.60"},
                    FormatCase{3.15, "      3.15"}, FormatCase{6.3, "      6.30"},
                    FormatCase{31.5, "     31.50"}, FormatCase{125, "    125.00"},
                    FormatCase{20000, "  20000.00"}));

INSTANTIATE_TEST_SUITE_P(
    Rounding, FixedTest,
    testing::Values(FormatCase{0.125, "      0.13"}, FormatCase{0.005, "      0.01"},
                    // 17 digits 1.0049999999999999 and 2.6749999999999998: below the tie
                    FormatCase{1.005, "      1.00"}, FormatCase{2.675, "      2.67"},
                    FormatCase{0.0049999, "      0.00"}, FormatCase{0.0001, "      0.00"},
                    FormatCase{99.995, "    100.00"}, FormatCase{-0.001, "     -0.00"},
                    FormatCase{1234567.891, "1234567.89"}, FormatCase{123456789.5, "123456789.50"},
                    FormatCase{1e20, "100000000000000000000.00"}, FormatCase{kInf, "       inf"}));

TEST(NumberFormat, WidestValuesFitTheBuffer) {
  const double largest = std::numeric_limits<double>::max();
  const std::string fixed(formatFixed(-largest, kMaxWidth, kMaxDecimals).view());
  EXPECT_EQ(fixed.size(), 1 + 309 + 1 + static_cast<std::size_t>(kMaxDecimals));
  EXPECT_EQ(fixed.substr(0, 18), "-17976931348623157");
  EXPECT_EQ(formatScientific(-largest, 200, 40).view().size(),
            static_cast<std::size_t>(kMaxWidth));  // width and decimals are clamped
  EXPECT_EQ(formatFixed(5.5, 0, 0).view(), "6");
}

}  // namespace
}  // namespace kelmor
