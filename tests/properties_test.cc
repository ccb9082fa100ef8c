// Randomised properties of the conversion over seeded spectra, both plans, increasing,
// decreasing and shuffled order. A failure names its seed, to be turned into a table row.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "bands/band_levels.h"
#include "bands/band_plan.h"
#include "bands/report.h"
#include "spectrum/reader.h"

namespace kelmor {
namespace {

constexpr int kSpectra = 3000;

InputSpectrum randomSpectrum(std::mt19937_64& random, const BandPlan& plan) {
  std::uniform_real_distribution<double> logFrequency(-1.0, 4.7);  // 0.1 Hz to 50 kHz
  std::normal_distribution<double> amplitude(0.0, 2.0);
  const std::size_t count = random() % 300;
  InputSpectrum spectrum;
  for (std::size_t i = 0; i < count; ++i) {
    double f = std::pow(10.0, logFrequency(random));
    switch (random() % 8) {
      case 0:
        f = plan.lowerEdges[random() % static_cast<std::size_t>(plan.count)];
        break;
      case 1:
        f = plan.upperEdges[static_cast<std::size_t>(plan.count - 1)];
        break;
      case 2:
        f = 0.0;
        break;
      default:
        break;
    }
    spectrum.points.push_back({f, amplitude(random)});
  }
  auto byFrequency = [](const SpectrumPoint& a, const SpectrumPoint& b) {
    return a.frequency < b.frequency;
  };
  switch (random() % 3) {
    case 0:
      std::sort(spectrum.points.begin(), spectrum.points.end(), byFrequency);
      break;
    case 1:
      std::sort(spectrum.points.rbegin(), spectrum.points.rend(), byFrequency);
      break;
    default:
      std::shuffle(spectrum.points.begin(), spectrum.points.end(), random);
      break;
  }
  return spectrum;
}

TEST(Properties, BandLevels) {
  for (int seed = 1; seed <= kSpectra; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937_64 random(static_cast<std::uint64_t>(seed));
    const BandPlan plan =
        makeBandPlan(seed % 2 ? OutputFormat::Octave : OutputFormat::OneThirdOctave);
    const InputSpectrum spectrum = randomSpectrum(random, plan);
    const BandLevels levels = accumulateBandLevels(plan, spectrum);

    // Every line in exactly one band, by testing every band, in file order: the sums agree to
    // the bit, so an edge line counts in the band above and nowhere else.
    std::array<double, kMaxBands> sums{};
    double total = 0;
    for (const SpectrumPoint& p : spectrum.points) {
      int holders = 0;
      for (int i = 0; i < plan.count; ++i) {
        const auto b = static_cast<std::size_t>(i);
        if (plan.lowerEdges[b] <= p.frequency && p.frequency < plan.upperEdges[b]) {
          sums[b] += p.amplitude * p.amplitude;
          ++holders;
        }
      }
      ASSERT_LE(holders, 1);
      if (holders == 1) total += p.amplitude * p.amplitude;
    }
    double energy = 0;
    for (int i = 0; i < plan.count; ++i) {
      const auto b = static_cast<std::size_t>(i);
      ASSERT_EQ(levels.values[b], std::sqrt(sums[b])) << "band " << i;
      energy += levels.values[b] * levels.values[b];
    }
    // Energy is kept: the squared levels add up to the squared amplitudes within a few ulps.
    EXPECT_NEAR(energy, total, 16 * std::numeric_limits<double>::epsilon() * total);

    // The report starts at the first band and ends at the last band whose lower edge does not
    // exceed the highest frequency.
    std::string report;
    writeBandReport(report, plan, levels);
    int expected = 0;
    if (!spectrum.points.empty()) {
      double highest = -std::numeric_limits<double>::infinity();
      for (const SpectrumPoint& p : spectrum.points)
        highest = std::max(highest, p.frequency);
      while (expected < plan.count &&
             plan.lowerEdges[static_cast<std::size_t>(expected)] <= highest) {
        ++expected;
      }
    }
    ASSERT_EQ(std::count(report.begin(), report.end(), '\n'), expected);
    if (expected > 0) {
      EXPECT_EQ(report.substr(0, 14), plan.count == 14 ? "\n \t       2.00" : "\n \t       1.00");
    }
  }
}

// The same text read as peak amplitudes gives the RMS reading times sqrt(2) / 2, to the bit.
TEST(Properties, PeakIsRmsScaled) {
  const double factor = std::sqrt(2.0) / 2.0;
  for (int seed = 1; seed <= kSpectra / 10; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937_64 random(static_cast<std::uint64_t>(seed));
    const InputSpectrum spectrum = randomSpectrum(random, makeBandPlan(OutputFormat::Octave));
    std::string text;
    for (const SpectrumPoint& p : spectrum.points) {
      std::array<char, 64> buffer{};
      text.append(buffer.data(), std::to_chars(buffer.data(), buffer.data() + 64, p.frequency).ptr);
      text += ' ';
      text.append(buffer.data(), std::to_chars(buffer.data(), buffer.data() + 64, p.amplitude).ptr);
      text += '\n';
    }
    StringSource rmsText(text);
    StringSource peakText(text);
    const auto rms = readSpectrum(rmsText, 0, AmplitudeFormat::Rms);
    const auto peak = readSpectrum(peakText, 0, AmplitudeFormat::Peak);
    ASSERT_EQ(rms.spectrum.points.size(), spectrum.points.size());
    ASSERT_EQ(peak.spectrum.points.size(), spectrum.points.size());
    for (std::size_t i = 0; i < spectrum.points.size(); ++i) {
      EXPECT_EQ(rms.spectrum.points[i].amplitude, spectrum.points[i].amplitude);
      EXPECT_EQ(peak.spectrum.points[i].amplitude, spectrum.points[i].amplitude * factor);
    }
  }
}

}  // namespace
}  // namespace kelmor
