// Band RMS levels: for each band, the square root of the sum of the squared RMS amplitudes (EU)
// of the spectral lines with lower edge <= frequency < upper edge. Each band's sum takes its
// terms in file order. Lines outside [first lower edge, last upper edge) count nowhere.
#pragma once

#include <array>

#include "bands/band_plan.h"
#include "kelmor/spectrum.h"

namespace kelmor {

struct BandLevels {
  std::array<double, kMaxBands> values{};  // EU RMS, indexed like the plan's bands
};

// The band that holds `frequency`, or -1. O(log bands); same answer as testing every band.
int findBand(const BandPlan& plan, double frequency);

BandLevels accumulateBandLevels(const BandPlan& plan, const InputSpectrum& spectrum);

}  // namespace kelmor
