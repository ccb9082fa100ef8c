// The band report: one record per band, "\n \t %10.2lf \t %12.4e" (centre in Hz, level in EU
// RMS) with the rounding of number_format.h. The file starts with an empty line and has no
// line end after the last record; no heading, count or trailer.
//
// Bands are written from the first up to the last band whose lower edge does not exceed the
// highest frequency of the spectrum (the bands below the data are written with level zero).
// An empty spectrum writes nothing. The levels carry that frequency (band_levels.h).
#pragma once

#include <string>

#include "bands/band_levels.h"
#include "bands/band_plan.h"

namespace kelmor {

// Appends the records to `out`; the caller writes the buffer to the file in one go.
void writeBandReport(std::string& out, const BandPlan& plan, const BandLevels& levels);

// The number of bands the report holds for a spectrum whose highest frequency is `highest`.
int reportedBandCount(const BandPlan& plan, double highest);

}  // namespace kelmor
