#pragma once
// Where the primary goes for a retune, with the design's windings
// (coil/windings.h): the winding sheet of the design's values for the
// builder's choices gives the secondary as wound; for the design, the
// network as built (the fitted k12 with the design's L1, or the fitted L1)
// and the retune, the primary's fractional turns (its tap) and its axial
// offset that give that L1 and k12 with that secondary.
#include <string>

#include "coil/windings.h"
#include "fit/fit_report.h"

namespace zelvar::fit {

// Fills o.design_primary, o.built_primary and o.retune_primary (an outcome
// with figures).  A target the windings cannot meet (e.g. a coupling above
// the one at offset 0) leaves that place's `refused` with the windings'
// message; an error in the design's own sheet raises zelvar::Error.
void place_primary(FitOutcome& o, const coil::WindingChoices& choices);

}  // namespace zelvar::fit
