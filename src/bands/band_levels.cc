#include "bands/band_levels.h"

#include <algorithm>
#include <cmath>

namespace kelmor {

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
  // Spectra mostly come in increasing frequency, many lines to a band: try the band of the
  // previous line first. Either way the line lands in the one band that holds it.
  int band = -1;
  for (const SpectrumPoint& point : spectrum.points) {
    const double f = point.frequency;
    levels.highestFrequency = std::max(levels.highestFrequency, f);
    if (band < 0 || !(plan.lowerEdges[static_cast<std::size_t>(band)] <= f &&
                      f < plan.upperEdges[static_cast<std::size_t>(band)])) {
      band = findBand(plan, f);
      if (band < 0) continue;
    }
    levels.values[static_cast<std::size_t>(band)] += point.amplitude * point.amplitude;
  }
  for (int i = 0; i < plan.count; ++i) {
    double& value = levels.values[static_cast<std::size_t>(i)];
    value = std::sqrt(value);
  }
  return levels;
}

}  // namespace kelmor
