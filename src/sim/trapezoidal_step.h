// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One trapezoidal step of the circuit, x := Q·[(I + (h/2)·A)·x + (h/2)·B·(u + u_prev)],
// computed exactly as the plain loop over all 7 × 7 entries would:
//   w_r := x_r;  w_r := (A_rc·x_c)·(h/2) + w_r for c = 1..7;  w_r := ((h/2)·B_r)·(u + u_prev) + w_r;
//   x_r := 0;    x_r := Q_rc·w_c + x_r for c = 1..7.
//
// Two forms give the same bits:
//  - FastStep works on the entries of A that the circuit model can set and
//    on every entry of Q.  Each constant is held as two doubles whose sum is
//    the 80-bit value exactly, which loads much faster than an 80-bit value.
//  - SparseStep (used when a constant cannot be split so, e.g. beyond the
//    double range) walks the entries of A, B and Q that are not exactly zero.
// Skipping an entry that is exactly ±0 leaves every sum unchanged: its
// product is ±0, and the sums never hold −0 (they start from a state value,
// which is never −0 once the run has entered VC1(0) = −0 as +0, or from +0),
// so adding ±0 changes nothing, as long as the values stay finite (a value
// that does not raises a fault before the next sample is stored).
#include "sim/circuit_model.h"

namespace zelvar {

// An 80-bit value as hi + lo, both doubles, exactly.
struct SplitReal {
    double hi = 0, lo = 0;
};

// The entries of A that the circuit model sets; every other entry is 0.
inline constexpr int kModelEntries = 19;
inline constexpr int kModelRow[kModelEntries] = {0, 1, 1, 2, 2, 2, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6};
inline constexpr int kModelCol[kModelEntries] = {4, 5, 6, 2, 3, 6, 2, 3, 0, 1, 4, 5, 0, 1, 4, 5, 1, 2, 6};

inline long double join(const SplitReal& s) {
    return static_cast<long double>(s.hi) + static_cast<long double>(s.lo);
}

struct FastStep {
    SplitReal a[kModelEntries];
    SplitReal hb4, hb5;  // (h/2)·B_5 and (h/2)·B_6
    SplitReal q[kStates][kStates];
    long double h2 = 0;

    // False when some constant has no exact split or A has an entry outside
    // the model's pattern that is not zero; then use SparseStep.
    bool prepare(const CircuitModel& m, const Matrix7& Q, long double h2);
    void step(long double (&x)[kStates], long double u_sum) const;
};

// Inline: the run takes it half a million times.
inline void FastStep::step(long double (&x)[kStates], long double u_sum) const {
    const long double x0 = x[0], x1 = x[1], x2 = x[2], x3 = x[3], x4 = x[4], x5 = x[5], x6 = x[6];
    long double w[kStates];
    long double s;
    s = x0;
    s = (join(a[0]) * x4) * h2 + s;
    w[0] = s;
    s = x1;
    s = (join(a[1]) * x5) * h2 + s;
    s = (join(a[2]) * x6) * h2 + s;
    w[1] = s;
    s = x2;
    s = (join(a[3]) * x2) * h2 + s;
    s = (join(a[4]) * x3) * h2 + s;
    s = (join(a[5]) * x6) * h2 + s;
    w[2] = s;
    s = x3;
    s = (join(a[6]) * x2) * h2 + s;
    s = (join(a[7]) * x3) * h2 + s;
    w[3] = s;
    s = x4;
    s = (join(a[8]) * x0) * h2 + s;
    s = (join(a[9]) * x1) * h2 + s;
    s = (join(a[10]) * x4) * h2 + s;
    s = (join(a[11]) * x5) * h2 + s;
    s = join(hb4) * u_sum + s;
    w[4] = s;
    s = x5;
    s = (join(a[12]) * x0) * h2 + s;
    s = (join(a[13]) * x1) * h2 + s;
    s = (join(a[14]) * x4) * h2 + s;
    s = (join(a[15]) * x5) * h2 + s;
    s = join(hb5) * u_sum + s;
    w[5] = s;
    s = x6;
    s = (join(a[16]) * x1) * h2 + s;
    s = (join(a[17]) * x2) * h2 + s;
    s = (join(a[18]) * x6) * h2 + s;
    w[6] = s;
    // x = Q·w, two rows side by side, column by column (each row's sum still
    // runs over c = 1..7 in order), so that each w_c is loaded once per pair.
#pragma GCC unroll 3
    for (int r = 0; r < 6; r += 2) {
        long double s0 = 0, s1 = 0;
#pragma GCC unroll 7
        for (int c = 0; c < kStates; ++c) {
            const long double wc = w[c];
            s0 = join(q[r][c]) * wc + s0;
            s1 = join(q[r + 1][c]) * wc + s1;
        }
        x[r] = s0;
        x[r + 1] = s1;
    }
    long double s6 = 0;
#pragma GCC unroll 7
    for (int c = 0; c < kStates; ++c) s6 = join(q[6][c]) * w[c] + s6;
    x[6] = s6;
}

struct SparseStep {
    struct Row {
        int n = 0;
        int col[kStates] = {};
        long double val[kStates] = {};
    };
    Row a[kStates], q[kStates];
    long double hb[kStates] = {};  // (h/2)·B_r, 0 where B_r is 0
    long double h2 = 0;

    void prepare(const CircuitModel& m, const Matrix7& Q, long double h2);
    void step(long double (&x)[kStates], long double u_sum) const;
};

}  // namespace zelvar
