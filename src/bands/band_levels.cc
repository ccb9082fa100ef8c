#include "bands/band_levels.h"

#include <algorithm>
#include <cmath>

namespace kelmor {
namespace {

// Calls `visit(band, point)` for every point in file order, band being the index of the band
// that holds it or -1. Spectra mostly come in increasing frequency, many lines to a band: the
// band of the previous line is tried first. Either way the line lands in the one band that
// holds it.
template <typename Visit>
void forEachPoint(const BandPlan& plan, const InputSpectrum& spectrum, Visit visit) {
  int band = -1;
  for (const SpectrumPoint& point : spectrum.points) {
    const double f = point.frequency;
    if (band < 0 || !(plan.lowerEdges[static_cast<std::size_t>(band)] <= f &&
                      f < plan.upperEdges[static_cast<std::size_t>(band)])) {
      band = findBand(plan, f);
    }
    visit(band, point);
  }
}

enum class Range { kInside, kOverflow, kUnderflow };

// Where a band's plain sum of squares of `lines` amplitudes lies against the double range.
Range rangeOf(double sumOfSquares, std::size_t lines) {
  if (lines == 0) return Range::kInside;
  if (std::isinf(sumOfSquares)) return Range::kOverflow;
  if (sumOfSquares < std::numeric_limits<double>::min()) return Range::kUnderflow;
  return Range::kInside;
}

// Recomputes, scaled by their largest amplitude, the levels of the bands whose sums left the
// double range while the header's conditions hold. Two more passes over the spectrum, taken
// only when some band needs them.
void rescale(const BandPlan& plan, const InputSpectrum& spectrum,
             const std::array<Range, kMaxBands>& range, BandLevels& levels) {
  std::array<double, kMaxBands> largest{};
  std::array<bool, kMaxBands> allFinite{};
  allFinite.fill(true);
  forEachPoint(plan, spectrum, [&](int band, const SpectrumPoint& point) {
    if (band < 0) return;
    const auto b = static_cast<std::size_t>(band);
    if (!std::isfinite(point.amplitude)) allFinite[b] = false;
    largest[b] = std::max(largest[b], std::fabs(point.amplitude));
  });
  std::array<bool, kMaxBands> scaled{};
  for (std::size_t b = 0; b < kMaxBands; ++b) {
    scaled[b] = (range[b] == Range::kOverflow && allFinite[b]) ||
                (range[b] == Range::kUnderflow && largest[b] > 0.0);
  }
  std::array<double, kMaxBands> sums{};
  forEachPoint(plan, spectrum, [&](int band, const SpectrumPoint& point) {
    if (band < 0 || !scaled[static_cast<std::size_t>(band)]) return;
    const auto b = static_cast<std::size_t>(band);
    const double r = point.amplitude / largest[b];
    sums[b] += r * r;
  });
  for (std::size_t b = 0; b < kMaxBands; ++b) {
    if (scaled[b]) levels.values[b] = largest[b] * std::sqrt(sums[b]);
  }
}

}  // namespace

int findBand(const BandPlan& plan, double frequency) {
  const auto count = static_cast<std::size_t>(plan.count);
  if (count == 0) return -1;
  // Written so that NaN falls outside too.
  if (!(frequency >= plan.lowerEdges[0] && frequency < plan.upperEdges[count - 1])) return -1;
  const auto* lower = plan.lowerEdges.data();
  // The last band whose lower edge is <= frequency; its upper edge is the next lower edge.
  const auto* above = std::upper_bound(lower, lower + count, frequency);
  return static_cast<int>(above - lower) - 1;
}

BandLevels accumulateBandLevels(const BandPlan& plan, const InputSpectrum& spectrum) {
  BandLevels levels;
  std::array<std::size_t, kMaxBands> lines{};
  forEachPoint(plan, spectrum, [&](int band, const SpectrumPoint& point) {
    levels.highestFrequency = std::max(levels.highestFrequency, point.frequency);
    if (band < 0) return;
    const auto b = static_cast<std::size_t>(band);
    levels.values[b] += point.amplitude * point.amplitude;
    ++lines[b];
  });
  std::array<Range, kMaxBands> range{};
  bool anyOutside = false;
  for (std::size_t b = 0; b < static_cast<std::size_t>(plan.count); ++b) {
    levels.pointsInBands += lines[b];
    range[b] = rangeOf(levels.values[b], lines[b]);
    anyOutside = anyOutside || range[b] != Range::kInside;
    levels.values[b] = std::sqrt(levels.values[b]);
  }
  if (anyOutside) rescale(plan, spectrum, range, levels);
  return levels;
}

}  // namespace kelmor
