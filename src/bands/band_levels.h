// Band RMS levels: for each band, the square root of the sum of the squared RMS amplitudes (EU)
// of the spectral lines with lower edge <= frequency < upper edge. Each band's sum takes its
// terms in file order. Lines outside [first lower edge, last upper edge) count nowhere.
#pragma once

#include <array>
#include <limits>

#include "bands/band_plan.h"
#include "kelmor/spectrum.h"

namespace kelmor {

struct BandLevels {
  std::array<double, kMaxBands> values{};  // EU RMS, indexed like the plan's bands
  // The highest frequency of the spectrum (-infinity when it has no points): it sets how far
  // the report goes. Found in the same pass, so that a large spectrum is read once, not twice.
  double highestFrequency = -std::numeric_limits<double>::infinity();
};

// The band that holds `frequency`, or -1. O(log bands); same answer as testing every band.
int findBand(const BandPlan& plan, double frequency);

BandLevels accumulateBandLevels(const BandPlan& plan, const InputSpectrum& spectrum);

}  // namespace kelmor
