// Band RMS levels: for each band, the square root of the sum of the squared RMS amplitudes (EU)
// of the spectral lines with lower edge <= frequency < upper edge. Each band's sum takes its
// terms in file order. Lines outside [first lower edge, last upper edge) count nowhere.
//
// Squares that leave the double range: when a band's sum of squares is infinite although every
// amplitude in it is finite, or below the smallest normal double although some amplitude in it
// is not zero, that band's level is m * sqrt(sum of (a / m)^2) instead, m being the largest |a|
// in the band, terms in file order. Every other band keeps the plain sum, bit for bit. An
// infinite amplitude gives an infinite level; a NaN amplitude a NaN level.
#pragma once

#include <array>
#include <cstddef>
#include <limits>

#include "bands/band_plan.h"
#include "kelmor/spectrum.h"

namespace kelmor {

struct BandLevels {
  std::array<double, kMaxBands> values{};  // EU RMS, indexed like the plan's bands
  // The highest frequency of the spectrum (-infinity when it has no points): it sets how far
  // the report goes. Found in the same pass, so that a large spectrum is read once, not twice.
  double highestFrequency = -std::numeric_limits<double>::infinity();
  std::size_t pointsInBands = 0;  // lines that fell in some band
};

// The band that holds `frequency`, or -1. O(log bands); same answer as testing every band.
int findBand(const BandPlan& plan, double frequency);

BandLevels accumulateBandLevels(const BandPlan& plan, const InputSpectrum& spectrum);

}  // namespace kelmor
