#pragma once
// The source in the primary loop: the driver's wave before the stop time,
// the stopped driver (open, shorted, or clamped by free-wheeling diodes)
// from the stop time on.
#include "sim/sim_params.h"

namespace zelvar {

inline constexpr long double kTwoPi = 6.283185307179586477L;

// vin at time t; i_fb is the fed-back primary current (i1 at the end of the
// previous step, 0 at the start of a run).
long double source_voltage(const SimParams& p, long double t, long double i_fb);

}  // namespace zelvar
