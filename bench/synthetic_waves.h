// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Beating waveforms of a triple-resonance network over 15 µs, energy moving
// from the primary to the output: a full store for the waveform window's
// benchmarks without running the simulation.
#include <cmath>
#include <cstdint>

#include "sim/sim_result.h"

namespace zelvar::bench {

inline void synthesize(SampleStore& s, std::int32_t n, long double scale) {
    s.resize(n);
    const double tmax = 1.5e-5, w = 2 * M_PI * 300000;
    for (std::int32_t k = 0; k < n; ++k) {
        const double t = tmax * k / (n - 1), env = t / tmax;
        s.time[k] = t;
        s.values[k][0] = 200 * std::sin(w * t);
        s.values[k][1] = scale * 20000 * (1 - env) * std::sin(w * t) * std::cos(w * t / 9);
        s.values[k][2] = scale * 60000 * std::sin(M_PI * env) * std::sin(7 * w * t / 9);
        s.values[k][3] = scale * 150000 * env * std::sin(11 * w * t / 9);
        s.values[k][4] = scale * 140000 * env * std::sin(11 * w * t / 9 - 0.1);
        s.values[k][5] = scale * 50 * (1 - env) * std::cos(w * t);
        s.values[k][6] = scale * 5 * std::sin(M_PI * env) * std::cos(7 * w * t / 9);
        s.values[k][7] = scale * 0.5 * env * std::cos(11 * w * t / 9);
    }
}

}  // namespace zelvar::bench
