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
//    the 80-bit value exactly, which loads much faster than an 80-bit value,
//    and the step is a fixed sequence of x87 instructions (x86-64 only, as
//    the whole program is).
//  - SparseStep (used when a constant cannot be split so, e.g. beyond the
//    double range) walks the entries of A, B and Q that are not exactly zero.
// Skipping an entry that is exactly ±0 leaves every sum unchanged: its
// product is ±0, and the sums never hold −0 (they start from a state value,
// which is never −0 once the run has entered VC1(0) = −0 as +0, or from +0),
// so adding ±0 changes nothing, as long as the values stay finite (a value
// that does not raises a fault before the next sample is stored).
#include <cstddef>

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

struct FastStep {
    // The constants, at the byte offsets the instruction sequence reads them.
    SplitReal a[kModelEntries];
    SplitReal hb4, hb5;  // (h/2)·B_5 and (h/2)·B_6
    SplitReal q[kStates][kStates];
    SplitReal h2;
    double zero = 0;  // the +0 each sum of x = Q·w starts from

    // False when some constant (or h/2) has no exact split or A has an
    // entry outside the model's pattern that is not zero; then use SparseStep.
    bool prepare(const CircuitModel& m, const Matrix7& Q, long double h2);
    void step(long double (&x)[kStates], long double u_sum) const;
};

// Inline (the run takes it half a million times): the x87 instructions of
// tools/x87_step_schedule.py, which performs the loop's operations one by
// one on the same operands, but keeps values in the eight registers where
// a compiler would store and load them as 80-bit values, the slowest of its
// operations.  Each 80-bit constant is formed as hi + lo (fldl, faddl).
inline void FastStep::step(long double (&x)[kStates], long double u_sum) const {
    static_assert(sizeof(SplitReal) == 16 && sizeof(long double) == 16);
    static_assert(offsetof(FastStep, a) == 0 && offsetof(FastStep, hb4) == 304 && offsetof(FastStep, hb5) == 320 &&
                  offsetof(FastStep, q) == 336 && offsetof(FastStep, h2) == 1120 &&
                  offsetof(FastStep, zero) == 1136);
    long double w[kStates];
    asm(
#include "sim/trapezoidal_step_x87.inc"
        : "+m"(x), "=m"(w)
        : [k] "r"(this), [x] "r"(&x[0]), [w] "r"(&w[0]), [u] "m"(u_sum), "m"(*this)
        : "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)");
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
