// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every input of a simulation run, as the parameter window holds it.  The
// member initializers are the defaults of the window, of `zelvar-cli
// simulate` and of a run; sim/param_table.h describes each member once.
#include <cstdint>

namespace zelvar {

enum StopMode : int { kOpenDriver = 0, kShortDriver = 1, kDiodeDriver = 2 };

struct SimParams {
    // Elements (F, H, ohm) and coupling.
    long double C1 = 0, L1 = 0, R1 = 0;
    long double C2 = 0, L2 = 0, R2 = 0;
    long double C3 = 0, L3 = 0, R3 = 0;
    long double k12 = 0;
    long double CL = 1e-14L, RL = 220000;
    // Source and driver.
    long double fin = 300000;  // Hz
    long double Vin = 200;     // V
    long double tstop = 10;    // s
    int stop_mode = kDiodeDriver;
    long double Ropen = 10000;
    bool square = false;
    bool feedback = false;
    long double tstart = 1e-6L;
    // Timing and output.
    long double tmax = 1.5e-5L;
    std::int32_t points = 600;
    std::int32_t steps = 10;
    long double VC10 = 0;
    long double Vmax = 200000;
    bool use_vmax = false;
    bool find_maxima = false;
};

}  // namespace zelvar
