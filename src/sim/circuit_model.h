#pragma once
// The simulated circuit as a state-space model dx/dt = A·x + B·vin.
//
// State vector, 0-based here (the same order as channels 1..7 of a sample):
//   x[0] v1, x[1] v2, x[2] v3, x[3] vl, x[4] i1, x[5] i2, x[6] i3.
#include "sim/sim_params.h"

namespace zelvar {

inline constexpr int kStates = 7;

using Matrix7 = long double[kStates][kStates];

struct CircuitModel {
    Matrix7 A = {};
    long double B[kStates] = {};
};

// Builds A and B from the element values.  Arithmetic faults (a zero C1, C2,
// C3 or L3, a zero RL·C3 or RL·CL, a zero L1·L2 − M², a negative L1·L2) are
// raised as zelvar::Error at the first faulting operation.
CircuitModel build_model(const SimParams& p);

// True when the coupling makes a circuit: |k12| < 1 (a NaN is none).  With
// |k12| >= 1 the coupled inductors store negative energy (L1·L2 − M² <= 0):
// no physical transformer has it.
bool is_coupling_physical(long double k12);

// The analyses added to the simulation (tolerance, response, netlist) refuse
// what is not a circuit: raises zelvar::SettingError naming k12 unless
// is_coupling_physical(p.k12).  The simulation itself keeps its rules.
void check_coupling(const SimParams& p);

}  // namespace zelvar
