// Reads the spectrum file: skips the header lines, then takes numbers two at a time
// (frequency in Hz, amplitude in EU) until the input ends.
//
// - A header line is skipped whole, whatever its length: one skip consumes the bytes up to and
//   including the next line feed, or up to the end of the input. A count <= 0 skips nothing.
// - Data numbers are separated by the C locale's whitespace; line structure has no meaning.
//   Only a line feed ends a line (for the line numbers of the stop report).
// - A frequency with no amplitude before the end of the input becomes a point of amplitude 0.
// - Peak amplitudes are stored as RMS: multiplied by sqrt(2.0) / 2.0.
// - A token that is not a number where a number is expected stops reading. The points before
//   it are kept; a frequency whose amplitude is the bad token is dropped.
// - The census of column_census.h looks at the first data lines as they are read: see
//   `numbersPerLine`.
// - The input is read once, in blocks of `blockSize` bytes; memory holds one block and the
//   points (and a number, only when one is longer than a block).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "kelmor/spectrum.h"
#include "spectrum/byte_source.h"

namespace kelmor {

inline constexpr std::size_t kReadBlockSize = std::size_t{1} << 20;
// Bytes of a bad token shown in the stop report; longer tokens are cut and "..." appended.
inline constexpr std::size_t kStopTokenShown = 32;

struct ReadStop {
  std::int64_t line;  // line of the bad token, counted from 1 at the top of the file
  std::string token;  // the bad token as shown: cut, each byte outside 0x21-0x7E as '?'
};

struct SpectrumReadResult {
  InputSpectrum spectrum;
  std::optional<ReadStop> stop;  // set when a token that is not a number stopped reading
  bool readError = false;        // the source failed, or the points did not fit in memory
  // The count of numbers that every data line holds (the first kCensusLines such lines, not the
  // line where reading stopped), when there are at least two and all agree; otherwise 0.
  std::int64_t numbersPerLine = 0;
};

// `sizeHint` is the input's size in bytes when known (0 if not): the points are then reserved
// for the whole file at the density of its first lines, so that memory holds the points and
// little else. Without it the array grows by a quarter at a time.
SpectrumReadResult readSpectrum(ByteSource& input, std::int32_t headerLines, AmplitudeFormat format,
                                std::size_t blockSize = kReadBlockSize, std::uint64_t sizeHint = 0);

}  // namespace kelmor
