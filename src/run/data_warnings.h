// The warnings about the data, printed after reading and before the report is written. Each
// marks a result that may not be what the operator thinks, so any of them makes the run end
// with status 2 (kExitPartialData). In this order:
// 1. reading stopped at a token that is not a number (its line, the token, the points used);
// 2. every data line holds the same odd count of numbers, 3 or more: a column export, whose
//    numbers are read two at a time across lines (SpectrumReadResult::numbersPerLine);
// 3. no point lies within the bands of the plan (the plan's range, rounded like the report).
#pragma once

#include <string>

#include "bands/band_levels.h"
#include "bands/band_plan.h"
#include "spectrum/reader.h"

namespace kelmor {

// The text of every warning that applies, in order; empty when none does.
std::string dataWarnings(const SpectrumReadResult& read, const BandPlan& plan,
                         const BandLevels& levels);

}  // namespace kelmor
