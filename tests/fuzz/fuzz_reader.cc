// Spectrum reader against the reference reader. Input: byte 0 picks the header count (-1..2),
// byte 1 the amplitude format, block size and read size; the rest is the file.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "reference_reader.h"
#include "spectrum/reader.h"

namespace {

bool sameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int headerLines = data[0] % 4 - 1;
  const bool peak = (data[1] & 1) != 0;
  const std::size_t block = 16 + (data[1] >> 1) * 5u;
  const std::size_t chunk = 1 + data[1] % 13u;
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

  kelmor::StringSource source(text, chunk);
  const kelmor::SpectrumReadResult got = kelmor::readSpectrum(
      source, headerLines, peak ? kelmor::AmplitudeFormat::Peak : kelmor::AmplitudeFormat::Rms,
      block, 0);
  const kelmor::test::ReferenceRead want = kelmor::test::referenceRead(text, headerLines, peak);

  check(!got.readError);
  check(got.spectrum.points.size() == want.points.size());
  for (std::size_t i = 0; i < want.points.size(); ++i) {
    check(sameBits(got.spectrum.points[i].frequency, want.points[i].first));
    check(sameBits(got.spectrum.points[i].amplitude, want.points[i].second));
  }
  check(got.stop.has_value() == want.stopped);
  check(got.numbersPerLine == want.numbersPerLine);
  if (got.stop) {
    long lines = 1;
    for (const char c : text)
      lines += c == '\n' ? 1 : 0;
    check(got.stop->line >= 1 && got.stop->line <= lines);
    check(got.stop->line == want.line);
    check(got.stop->token == kelmor::test::shownToken(want.token));
  }
  return 0;
}
