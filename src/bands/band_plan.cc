#include "bands/band_plan.h"

#include <cmath>
#include <span>

namespace kelmor {

BandPlan makeBandPlan(OutputFormat format) {
  const bool octave = format == OutputFormat::Octave;
  const std::span<const double> centres = octave ? std::span<const double>(kOctaveCentres)
                                                 : std::span<const double>(kOneThirdOctaveCentres);
  BandPlan plan;
  plan.count = static_cast<int>(centres.size());
  plan.edgeExponent = octave ? 0.5 : 1.0 / 6.0;
  const double ratio = std::pow(2.0, plan.edgeExponent);
  for (std::size_t i = 0; i < centres.size(); ++i) {
    plan.centres[i] = centres[i];
    plan.lowerEdges[i] = centres[i] / ratio;
  }
  for (std::size_t i = 0; i + 1 < centres.size(); ++i)
    plan.upperEdges[i] = plan.lowerEdges[i + 1];
  plan.upperEdges[centres.size() - 1] = centres.back() * ratio;
  return plan;
}

}  // namespace kelmor
