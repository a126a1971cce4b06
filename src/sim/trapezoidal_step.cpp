// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/trapezoidal_step.h"

#include <cmath>

namespace zelvar {

namespace {

// Splits v into hi + lo without raising any fault flag (a value beyond the
// double range is refused before it is converted; a lo that underflows only
// fails the exactness test).
bool split_exact(long double v, SplitReal& s) {
    if (!std::isless(std::fabs(v), 0x1p1000L)) return false;
    s.hi = static_cast<double>(v);
    s.lo = static_cast<double>(v - s.hi);
    return static_cast<long double>(s.hi) + static_cast<long double>(s.lo) == v;
}

}  // namespace

bool FastStep::prepare(const CircuitModel& m, const Matrix7& Q, long double half) {
    if (!split_exact(half, h2)) return false;
    bool in_pattern[kStates][kStates] = {};
    for (int k = 0; k < kModelEntries; ++k) {
        in_pattern[kModelRow[k]][kModelCol[k]] = true;
        if (!split_exact(m.A[kModelRow[k]][kModelCol[k]], a[k])) return false;
    }
    for (int r = 0; r < kStates; ++r) {
        for (int c = 0; c < kStates; ++c) {
            if (!in_pattern[r][c] && m.A[r][c] != 0) return false;
            if (!split_exact(Q[r][c], q[r][c])) return false;
        }
        if (r != 4 && r != 5 && m.B[r] != 0) return false;
    }
    return split_exact(half * m.B[4], hb4) && split_exact(half * m.B[5], hb5);
}

namespace {

void sparse_rows(const Matrix7& M, SparseStep::Row (&rows)[kStates]) {
    for (int r = 0; r < kStates; ++r) {
        rows[r].n = 0;
        for (int c = 0; c < kStates; ++c)
            if (M[r][c] != 0) {
                rows[r].col[rows[r].n] = c;
                rows[r].val[rows[r].n] = M[r][c];
                ++rows[r].n;
            }
    }
}

}  // namespace

void SparseStep::prepare(const CircuitModel& m, const Matrix7& Q, long double half) {
    h2 = half;
    sparse_rows(m.A, a);
    sparse_rows(Q, q);
    for (int r = 0; r < kStates; ++r) hb[r] = m.B[r] == 0 ? 0.0L : half * m.B[r];
}

void SparseStep::step(long double (&x)[kStates], long double u_sum) const {
    long double w[kStates];
    for (int r = 0; r < kStates; ++r) {
        long double acc = x[r];
        const Row& row = a[r];
        for (int k = 0; k < row.n; ++k) acc = (row.val[k] * x[row.col[k]]) * h2 + acc;
        if (hb[r] != 0) acc = hb[r] * u_sum + acc;
        w[r] = acc;
    }
    for (int r = 0; r < kStates; ++r) {
        long double acc = 0;
        const Row& row = q[r];
        for (int k = 0; k < row.n; ++k) acc = row.val[k] * w[row.col[k]] + acc;
        x[r] = acc;
    }
}

}  // namespace zelvar
