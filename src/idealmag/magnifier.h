// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The closed-form ideal (spark-gap) magnifier design.
#include <cstdint>

#include "report/report_log.h"
#include "sim/element_values.h"

namespace zelvar {

struct MagnifierInputs {
    std::int32_t k = 1, l = 2, m = 3;
    long double C1 = 5e-9L, L3 = 0.0282L, C3 = 1.5e-11L;
};

// The seven values "Update elements" copies into the simulation parameters.
using MagnifierResults = ElementValues;

// Writes the report; returns true with the results filled when the design
// completed, false when the mode check stopped it.  Faults are thrown as
// zelvar::Error after the lines already written.
bool design_magnifier(const MagnifierInputs& inputs, ReportSink& log, MagnifierResults& results);

}  // namespace zelvar
