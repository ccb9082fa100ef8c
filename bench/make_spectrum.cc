// Writes a synthetic narrowband spectrum as an analyser would export it: two header lines, then
// "frequency<TAB>amplitude" lines with CR LF ends, 0 Hz to 25.6 kHz.
// Usage: kelmor_make_spectrum POINTS FILE
#include <cstdio>
#include <cstdlib>
#include <random>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s POINTS FILE\n", argv[0]);
    return 2;
  }
  const long points = std::atol(argv[1]);
  std::FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr || points <= 0) return 1;
  std::fprintf(out, "Synthetic spectrum, %ld lines\r\nfreq(Hz)\tamplitude(g peak)\r\n", points);
  const double df = 25600.0 / static_cast<double>(points);
  std::mt19937_64 random(1);
  std::lognormal_distribution<double> amplitude(-4.0, 1.5);
  for (long i = 0; i < points; ++i) {
    std::fprintf(out, "%.6f\t%.6e\r\n", static_cast<double>(i) * df, amplitude(random));
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
