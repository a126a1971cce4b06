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

inline long double join(const SplitReal& s) {
    return static_cast<long double>(s.hi) + static_cast<long double>(s.lo);
}

}  // namespace

bool FastStep::prepare(const CircuitModel& m, const Matrix7& Q, long double half) {
    h2 = half;
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

void FastStep::step(long double (&x)[kStates], long double u_sum) const {
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
