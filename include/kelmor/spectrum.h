// Types shared by the spectrum reader, the band conversion and the run driver.
#pragma once

#include <cstddef>
#include <vector>

namespace kelmor {

// How the operator says the input amplitudes are given; the values are the replies.
enum class AmplitudeFormat { Peak = 1, Rms = 2 };

// Which band plan the report uses; the values are the replies.
enum class OutputFormat { Octave = 1, OneThirdOctave = 2 };

// Points reserved up front. The spectrum grows past it when a file holds more.
inline constexpr std::size_t kMaxSpectrumPoints = 200000;

// One spectral line: frequency in Hz, RMS amplitude in EU (sign kept as read).
struct SpectrumPoint {
  double frequency;
  double amplitude;
};

// The input spectrum in file order, frequencies exactly as read (not sorted, not validated).
struct InputSpectrum {
  std::vector<SpectrumPoint> points;
};

}  // namespace kelmor
