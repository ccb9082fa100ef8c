#include "run/data_warnings.h"

#include "bands/number_format.h"

namespace kelmor {

std::string dataWarnings(const SpectrumReadResult& read, const BandPlan& plan,
                         const BandLevels& levels) {
  std::string text;
  if (read.stop) {
    text += "\n\n Warning: reading stopped at line " + std::to_string(read.stop->line) +
            ", where \"" + read.stop->token +
            "\" is not a number. \n Points used: " + std::to_string(read.spectrum.points.size()) +
            " \n";
  }
  if (read.numbersPerLine >= 3 && read.numbersPerLine % 2 == 1) {
    text += "\n\n Warning: every data line holds " + std::to_string(read.numbersPerLine) +
            " numbers; they are read two at a time, across lines. \n";
  }
  if (levels.pointsInBands == 0 && plan.count > 0) {
    const auto last = static_cast<std::size_t>(plan.count) - 1;
    text += "\n\n Warning: no point lies within the bands, ";
    text += formatFixed(plan.lowerEdges[0], 0, 2).view();
    text += " Hz to ";
    text += formatFixed(plan.upperEdges[last], 0, 2).view();
    text += " Hz. \n";
  }
  return text;
}

}  // namespace kelmor
