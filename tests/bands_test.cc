#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "bands/band_levels.h"
#include "bands/band_plan.h"
#include "bands/report.h"

namespace kelmor {
namespace {

InputSpectrum spectrumOf(std::initializer_list<SpectrumPoint> points) {
  return {points};
}

std::string report(OutputFormat format, const InputSpectrum& spectrum) {
  const BandPlan plan = makeBandPlan(format);
  std::string out;
  writeBandReport(out, plan, accumulateBandLevels(plan, spectrum));
  return out;
}

std::string record(const char* centre, const char* level) {
  return std::string("\n \t ") + centre + " \t " + level;
}

TEST(BandPlan, Sizes) {
  EXPECT_EQ(makeBandPlan(OutputFormat::Octave).count, 14);
  EXPECT_EQ(makeBandPlan(OutputFormat::OneThirdOctave).count, 44);
  EXPECT_EQ(makeBandPlan(OutputFormat::OneThirdOctave).edgeExponent, 0.16666666666666666);
}

struct EdgeRow {
  OutputFormat format;
  int band;
  double centre;
  double lower;
  double upper;
};

void PrintTo(const EdgeRow& r, std::ostream* os) {
  *os << r.centre << " Hz";
}

class EdgeTest : public testing::TestWithParam<EdgeRow> {};

TEST_P(EdgeTest, TellingRows) {
  const EdgeRow& row = GetParam();
  const BandPlan plan = makeBandPlan(row.format);
  const auto i = static_cast<std::size_t>(row.band);
  EXPECT_EQ(plan.centres[i], row.centre);
  EXPECT_NEAR(plan.lowerEdges[i], row.lower, 5e-7);
  EXPECT_NEAR(plan.upperEdges[i], row.upper, 5e-7);
}

constexpr auto kOct = OutputFormat::Octave;
constexpr auto kThird = OutputFormat::OneThirdOctave;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(Edges, EdgeTest,
                         testing::Values(EdgeRow{kOct, 0, 2, 1.414214, 2.828427},
                                         EdgeRow{kOct, 3, 16, 11.313708, 22.273864},
                                         EdgeRow{kOct, 5, 63, 44.547727, 88.388348},
                                         EdgeRow{kOct, 13, 16000, 11313.708499, 22627.416998},
                                         EdgeRow{kThird, 0, 1, 0.890899, 1.113623},
                                         EdgeRow{kThird, 1, 1.25, 1.113623, 1.425438},
                                         EdgeRow{kThird, 5, 3.15, 2.806331, 3.563595},
                                         EdgeRow{kThird, 43, 20000, 17817.974363, 22449.240966}));

// The binary search must agree with testing every band, also on and next to every edge.
TEST(BandLevels, FindBandMatchesTestingEveryBand) {
  for (const OutputFormat format : {kOct, kThird}) {
    const BandPlan plan = makeBandPlan(format);
    auto linear = [&](double f) {
      for (int i = 0; i < plan.count; ++i) {
        const auto b = static_cast<std::size_t>(i);
        if (plan.lowerEdges[b] <= f && f < plan.upperEdges[b]) return i;
      }
      return -1;
    };
    for (int i = 0; i < plan.count; ++i) {
      for (const double edge : {plan.lowerEdges[static_cast<std::size_t>(i)],
                                plan.upperEdges[static_cast<std::size_t>(i)]}) {
        for (const double f : {std::nextafter(edge, 0.0), edge, std::nextafter(edge, 1e9)}) {
          EXPECT_EQ(findBand(plan, f), linear(f)) << f;
        }
      }
    }
    for (const double f : {0.0, -1.0, 1e9, std::nan(""), kInfinity, -kInfinity}) {
      EXPECT_EQ(findBand(plan, f), -1) << f;
    }
  }
}

TEST(BandLevels, EdgeBelongsToTheBandAbove) {
  const BandPlan plan = makeBandPlan(kOct);
  EXPECT_EQ(findBand(plan, 22.28), 4);  // 31.5 Hz band
  EXPECT_EQ(findBand(plan, 22.27), 3);  // 16 Hz band
  EXPECT_EQ(findBand(plan, plan.lowerEdges[6]), 6);
}

TEST(BandLevels, SumsEnergyPerBand) {
  const BandPlan plan = makeBandPlan(kOct);
  // 3-4-5: two lines in the 125 Hz band; a DC line and a line beyond the plan count nowhere.
  const BandLevels levels = accumulateBandLevels(
      plan, spectrumOf({{0, 100}, {100, 3}, {150, -4}, {30000, 100}, {1000, 2}}));
  EXPECT_EQ(levels.values[6], 5.0);
  EXPECT_EQ(levels.values[9], 2.0);
  double total = 0;
  for (int i = 0; i < plan.count; ++i)
    total += levels.values[static_cast<std::size_t>(i)];
  EXPECT_EQ(total, 7.0);
}

TEST(Report, TwoLinesInThe125HzBand) {
  const std::string zero = " 0.0000e+000";
  const std::string expected =
      record("      2.00", zero.c_str()) + record("      4.00", zero.c_str()) +
      record("      8.00", zero.c_str()) + record("     16.00", zero.c_str()) +
      record("     31.50", zero.c_str()) + record("     63.00", zero.c_str()) +
      record("    125.00", " 1.4142e+000");
  EXPECT_EQ(report(kOct, spectrumOf({{100, 1}, {150, 1}})), expected);
}

// One line above the last band writes every band: the whole centre column, against the nominal
// centres.
TEST(Report, EveryCentreOfEachPlan) {
  const std::vector<std::pair<OutputFormat, std::vector<std::string>>> plans = {
      {kOct,
       {"2.00", "4.00", "8.00", "16.00", "31.50", "63.00", "125.00", "250.00", "500.00", "1000.00",
        "2000.00", "4000.00", "8000.00", "16000.00"}},
      {kThird,
       {"1.00",     "1.25",     "1.60",     "2.00",    "2.50",    "3.15",    "4.00",    "5.00",
        "6.30",     "8.00",     "10.00",    "12.50",   "16.00",   "20.00",   "25.00",   "31.50",
        "40.00",    "50.00",    "63.00",    "80.00",   "100.00",  "125.00",  "160.00",  "200.00",
        "250.00",   "315.00",   "400.00",   "500.00",  "630.00",  "800.00",  "1000.00", "1250.00",
        "1600.00",  "2000.00",  "2500.00",  "3150.00", "4000.00", "5000.00", "6300.00", "8000.00",
        "10000.00", "12500.00", "16000.00", "20000.00"}}};
  for (const auto& [format, centres] : plans) {
    std::string expected;
    for (const std::string& c : centres)
      expected += "\n \t " + std::string(10 - c.size(), ' ') + c + " \t  0.0000e+000";
    EXPECT_EQ(report(format, spectrumOf({{30000, 1}})), expected);
  }
}

struct RangeRow {
  const char* name;
  OutputFormat format;
  InputSpectrum spectrum;
  int bands;
};

void PrintTo(const RangeRow& c, std::ostream* os) {
  *os << c.name;
}

class RangeTest : public testing::TestWithParam<RangeRow> {};

TEST_P(RangeTest, ReportedBands) {
  const RangeRow& row = GetParam();
  const BandPlan plan = makeBandPlan(row.format);
  EXPECT_EQ(reportedBandCount(plan, accumulateBandLevels(plan, row.spectrum).highestFrequency),
            row.bands);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RangeTest,
    testing::Values(
        RangeRow{"Empty", kOct, {}, 0}, RangeRow{"BelowThePlan", kOct, spectrumOf({{1, 1}}), 0},
        RangeRow{"LastPointAbovePlanWritesAll", kOct, spectrumOf({{100, 1}, {30000, 1}}), 14},
        RangeRow{"LastPointOnALowerEdge", kOct, spectrumOf({{31.5 / std::sqrt(2.0), 1}}), 5},
        RangeRow{"ThirdOctaveHalfTo30Hz", kThird, spectrumOf({{0.5, 1}, {10, 1}, {30, 1}}), 16},
        // Decreasing order: the range follows the highest frequency, not the last one read.
        RangeRow{"DecreasingOrder", kOct, spectrumOf({{1000, 1}, {100, 1}, {0, 1}}), 10},
        RangeRow{"ShuffledOrder", kOct, spectrumOf({{100, 1}, {1000, 1}, {10, 1}}), 10}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Report, InfiniteLevel) {
  EXPECT_EQ(report(kOct, spectrumOf({{2, kInfinity}})), record("      2.00", "         inf"));
}

// Squares beyond the double range: the 2 Hz octave band holds `lines`; the 4 Hz band beside it
// holds ordinary lines and must keep the plain sum bit for bit.
struct SquaresRow {
  const char* name;
  std::vector<double> lines;
  double level;
};

void PrintTo(const SquaresRow& r, std::ostream* os) {
  *os << r.name;
}

class SquaresTest : public testing::TestWithParam<SquaresRow> {};

TEST_P(SquaresTest, BandLevel) {
  const SquaresRow& row = GetParam();
  InputSpectrum spectrum;
  for (const double a : row.lines)
    spectrum.points.push_back({2.0, a});
  for (const double a : {0.1, 0.2, 0.3})
    spectrum.points.push_back({4.0, a});
  const BandLevels levels = accumulateBandLevels(makeBandPlan(kOct), spectrum);
  if (std::isnan(row.level)) {
    EXPECT_TRUE(std::isnan(levels.values[0])) << levels.values[0];
  } else {
    EXPECT_DOUBLE_EQ(levels.values[0], row.level);
  }
  EXPECT_EQ(levels.values[1], std::sqrt(0.1 * 0.1 + 0.2 * 0.2 + 0.3 * 0.3));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SquaresTest,
    testing::Values(SquaresRow{"Overflow", {1e200}, 1e200},
                    SquaresRow{"OverflowOfTwo", {3e200, -4e200}, 5e200},
                    SquaresRow{
                        "LargestDouble", {1.7976931348623157e308, 1.0}, 1.7976931348623157e308},
                    SquaresRow{"Underflow", {1e-170}, 1e-170},
                    SquaresRow{"UnderflowOfTwo", {3e-170, 4e-170}, 5e-170},
                    SquaresRow{"SubnormalSquares", {1e-160}, 1e-160},
                    SquaresRow{"InfiniteAmplitude", {1e200, kInfinity}, kInfinity},
                    SquaresRow{"NotANumber", {1e200, std::nan("")}, std::nan("")},
                    SquaresRow{"Zeros", {0.0, -0.0}, 0.0}, SquaresRow{"Ordinary", {3.0, 4.0}, 5.0}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace kelmor
