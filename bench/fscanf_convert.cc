// The straightforward way to do kelmor's conversion, for comparison: fscanf for the numbers,
// every band tested for every point, fprintf for the report.
// Usage: kelmor_fscanf FILE HEADER_LINES AMPLITUDE_FORMAT OUTPUT_FORMAT REPORT
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "bands/band_plan.h"

int main(int argc, char** argv) {
  if (argc != 6) return 2;
  std::FILE* in = std::fopen(argv[1], "rb");
  if (in == nullptr) return 1;
  char line[320];
  for (int i = std::atoi(argv[2]); i > 0 && std::fgets(line, sizeof line, in) != nullptr; --i) {
  }
  const double scale = std::atoi(argv[3]) == 1 ? std::sqrt(2.0) / 2.0 : 1.0;
  std::vector<double> frequencies;
  std::vector<double> amplitudes;
  double f = 0;
  double a = 0;
  while (std::fscanf(in, "%lf %lf", &f, &a) == 2) {
    frequencies.push_back(f);
    amplitudes.push_back(a * scale);
  }
  std::fclose(in);

  const kelmor::BandPlan plan =
      kelmor::makeBandPlan(std::atoi(argv[4]) == 1 ? kelmor::OutputFormat::Octave
                                                   : kelmor::OutputFormat::OneThirdOctave);
  std::vector<double> sums(static_cast<std::size_t>(plan.count), 0.0);
  double highest = -std::numeric_limits<double>::infinity();
  for (std::size_t p = 0; p < frequencies.size(); ++p) {
    highest = std::fmax(highest, frequencies[p]);
    for (std::size_t b = 0; b < sums.size(); ++b) {
      if (plan.lowerEdges[b] <= frequencies[p] && frequencies[p] < plan.upperEdges[b]) {
        sums[b] += amplitudes[p] * amplitudes[p];
      }
    }
  }
  std::FILE* out = std::fopen(argv[5], "w");
  if (out == nullptr) return 1;
  for (std::size_t b = 0; b < sums.size() && !(plan.lowerEdges[b] > highest); ++b) {
    std::fprintf(out, "\n \t %10.2lf \t %12.4e", plan.centres[b], std::sqrt(sums[b]));
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
