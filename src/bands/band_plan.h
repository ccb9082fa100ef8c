// Octave and one-third-octave band plans: nominal centres (Hz) and the edges derived from them.
//
// Edge ratio r = 2^exponent (exponent 0.5 for octaves, the double nearest 1/6 for one-third
// octaves). Lower edge = centre / r. The upper edge of a band is the next band's lower edge, so
// the bands tile [first lower edge, last upper edge) without gaps; the last band's upper edge
// is its centre * r. A band holds lower <= f < upper: an edge belongs to the band above it.
#pragma once

#include <array>
#include <cstddef>

#include "kelmor/spectrum.h"

namespace kelmor {

inline constexpr std::size_t kMaxBands = 100;

inline constexpr std::array<double, 14> kOctaveCentres = {2,   4,   8,    16,   31.5, 63,   125,
                                                          250, 500, 1000, 2000, 4000, 8000, 16000};

inline constexpr std::array<double, 44> kOneThirdOctaveCentres = {
    1,    1.25, 1.6,  2,    2.5,  3.15, 4,    5,    6.3,  8,    10,    12.5,  16,    20,   25,
    31.5, 40,   50,   63,   80,   100,  125,  160,  200,  250,  315,   400,   500,   630,  800,
    1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

struct BandPlan {
  int count = 0;  // bands in use, numbered from 0 here in increasing frequency
  double edgeExponent = 0.0;
  std::array<double, kMaxBands> centres{};
  std::array<double, kMaxBands> lowerEdges{};  // inclusive, Hz
  std::array<double, kMaxBands> upperEdges{};  // exclusive, Hz
};

BandPlan makeBandPlan(OutputFormat format);

}  // namespace kelmor
