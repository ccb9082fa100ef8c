#include "bands/report.h"

#include "bands/number_format.h"

namespace kelmor {

int reportedBandCount(const BandPlan& plan, double highest) {
  int count = 0;
  while (count < plan.count && plan.lowerEdges[static_cast<std::size_t>(count)] <= highest) {
    ++count;
  }
  return count;
}

void writeBandReport(std::string& out, const BandPlan& plan, const BandLevels& levels) {
  const int count = reportedBandCount(plan, levels.highestFrequency);
  for (int i = 0; i < count; ++i) {
    const auto band = static_cast<std::size_t>(i);
    out += "\n \t ";
    out += formatFixed(plan.centres[band], 10, 2).view();
    out += " \t ";
    out += formatScientific(levels.values[band], 12, 4).view();
  }
}

}  // namespace kelmor
