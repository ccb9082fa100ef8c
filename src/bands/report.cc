#include "bands/report.h"

#include <algorithm>

#include "bands/number_format.h"

namespace kelmor {

int reportedBandCount(const BandPlan& plan, const InputSpectrum& spectrum) {
  if (spectrum.points.empty()) return 0;
  const auto highest = std::max_element(
      spectrum.points.begin(), spectrum.points.end(),
      [](const SpectrumPoint& a, const SpectrumPoint& b) { return a.frequency < b.frequency; });
  int count = 0;
  while (count < plan.count &&
         !(plan.lowerEdges[static_cast<std::size_t>(count)] > highest->frequency)) {
    ++count;
  }
  return count;
}

void writeBandReport(std::string& out, const BandPlan& plan, const BandLevels& levels,
                     const InputSpectrum& spectrum) {
  const int count = reportedBandCount(plan, spectrum);
  for (int i = 0; i < count; ++i) {
    const auto band = static_cast<std::size_t>(i);
    out += "\n \t ";
    out += formatFixed(plan.centres[band], 10, 2).view();
    out += " \t ";
    out += formatScientific(levels.values[band], 12, 4).view();
  }
}

}  // namespace kelmor
