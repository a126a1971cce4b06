// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The circuit of the default design (mode 5:7:9:11, excitation at m·w0), with
// its element values rounded as the design report shows them, and every
// other input at the parameter window's default.  Shared by the simulation
// benchmark and the simulation tests.
#include "sim/sim_params.h"

namespace zelvar {

inline SimParams default_design_circuit() {
    SimParams p;
    p.C1 = 5E-9L;
    p.L1 = 1.49158861917E-4L;
    p.C2 = 4.1108058608E-11L;
    p.L2 = 6.545454545E-3L;
    p.C3 = 1E-11L;
    p.L3 = 0.03L;
    p.k12 = 0.299936354L;
    p.fin = 319495.40197L;
    return p;
}

}  // namespace zelvar
