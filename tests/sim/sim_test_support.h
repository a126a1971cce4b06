// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared by the simulation tests: the default design's circuit and the
// plain integration loop of the run, entry by entry over all of A and Q.
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "report/report_log.h"
#include "sim/circuit_model.h"
#include "sim/default_design_circuit.h"
#include "sim/sim_params.h"
#include "sim/sim_document.h"
#include "sim/source_voltage.h"
#include "sim/step_matrix.h"

namespace zelvar::test {

inline SimParams default_design() { return default_design_circuit(); }

inline std::unique_ptr<SimDocument> fresh_state() { return std::make_unique<SimDocument>(); }

using Sample = std::array<long double, 9>;  // time, then the eight values

// The run's steps 9 to 11 as written: every entry of A and Q, in order.
inline std::vector<Sample> plain_run(const SimParams& p) {
    const long double h = p.tmax / ((p.points - 1) * p.steps);
    const CircuitModel m = build_model(p);
    Matrix7 Q;
    build_step_matrix(m.A, h, Q);
    LineCollector log;
    invert_in_place(kStates, Q, log);
    long double x[kStates] = {p.VC10, 0, 0, 0, 0, 0, 0};
    long double t = 0, u = 0, u_prev = 0, i_fb = 0;
    std::vector<Sample> out;
    out.push_back({0, 0, p.VC10, 0, 0, 0, 0, 0, 0});
    for (int i = 2; i <= p.points; ++i) {
        for (int s = 0; s < p.steps; ++s) {
            u = source_voltage(p, t + h, i_fb);
            long double w[kStates];
            for (int r = 0; r < kStates; ++r) {
                w[r] = x[r];
                for (int c = 0; c < kStates; ++c) w[r] = (m.A[r][c] * x[c]) * (h / 2) + w[r];
                w[r] = ((h / 2) * m.B[r]) * (u + u_prev) + w[r];
            }
            for (int r = 0; r < kStates; ++r) {
                x[r] = 0;
                for (int c = 0; c < kStates; ++c) x[r] = Q[r][c] * w[c] + x[r];
            }
            t = t + h;
            u_prev = u;
            i_fb = x[4];
        }
        out.push_back({t, u, x[0], x[1], x[2], x[3], x[4], x[5], x[6]});
    }
    return out;
}

// Same value and same sign (so +0 and −0 differ).
inline bool same_bits(long double a, long double b) {
    return (a == b && std::signbit(a) == std::signbit(b)) || (std::isnan(a) && std::isnan(b));
}

}  // namespace zelvar::test
