// Micro-benchmarks of the hot paths: number parsing, reading, band accumulation, formatting.
#include <benchmark/benchmark.h>

#include <algorithm>

#include <cstdio>
#include <random>
#include <string>

#include "bands/band_levels.h"
#include "bands/band_plan.h"
#include "bands/number_format.h"
#include "spectrum/data_number.h"
#include "spectrum/reader.h"

namespace {

// Lines as an analyser exports them: "frequency<TAB>amplitude\r\n".
std::string spectrumText(long points) {
  std::string text;
  std::mt19937_64 random(1);
  std::lognormal_distribution<double> amplitude(-4.0, 1.5);
  char line[64];
  for (long i = 0; i < points; ++i) {
    const int n = std::snprintf(line, sizeof line, "%.6f\t%.6e\r\n",
                                static_cast<double>(i) * 0.0128, amplitude(random));
    text.append(line, static_cast<std::size_t>(n));
  }
  return text;
}

// Lines from 0 to 25.6 kHz, in increasing frequency (as analysers export them) or shuffled.
kelmor::InputSpectrum spectrumOf(long points, bool shuffled) {
  kelmor::InputSpectrum spectrum;
  for (long i = 0; i < points; ++i) {
    spectrum.points.push_back(
        {25600.0 * static_cast<double>(i) / static_cast<double>(points), 1e-3});
  }
  if (shuffled) {
    std::mt19937_64 random(2);
    std::shuffle(spectrum.points.begin(), spectrum.points.end(), random);
  }
  return spectrum;
}

void parseNumbers(benchmark::State& state) {
  const std::string text = spectrumText(100000);
  for (auto _ : state) {
    double sum = 0;
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end) {
      while (p != end && kelmor::isSpace(*p))
        ++p;
      if (p == end) break;
      const kelmor::DataNumber n = kelmor::parseDataNumber(p, end);
      sum += n.value;
      p = n.end;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(parseNumbers);

void readSpectrum(benchmark::State& state) {
  const std::string text = spectrumText(100000);
  for (auto _ : state) {
    kelmor::StringSource source(text, 1 << 20);
    auto result = kelmor::readSpectrum(source, 0, kelmor::AmplitudeFormat::Peak);
    benchmark::DoNotOptimize(result.spectrum.points.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(readSpectrum);

void accumulate(benchmark::State& state) {
  const kelmor::BandPlan plan =
      kelmor::makeBandPlan(static_cast<kelmor::OutputFormat>(state.range(0)));
  const kelmor::InputSpectrum spectrum = spectrumOf(1000000, state.range(1) != 0);
  for (auto _ : state) {
    benchmark::DoNotOptimize(kelmor::accumulateBandLevels(plan, spectrum));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(spectrum.points.size()));
  state.SetLabel(std::string(state.range(0) == 1 ? "octave" : "one-third octave") +
                 (state.range(1) != 0 ? ", shuffled" : ", increasing"));
}
BENCHMARK(accumulate)->Args({1, 0})->Args({2, 0})->Args({1, 1})->Args({2, 1});

void formatRecord(benchmark::State& state) {
  double level = 1.234567e-3;
  for (auto _ : state) {
    benchmark::DoNotOptimize(kelmor::formatFixed(31.5, 10, 2));
    benchmark::DoNotOptimize(kelmor::formatScientific(level, 12, 4));
    level *= 1.000001;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(formatRecord);

}  // namespace

BENCHMARK_MAIN();
