// SPDX-License-Identifier: GPL-3.0-or-later
// Residues of the normalized output impedance for the chosen excitation.
#include "app/faults.h"
#include "design/design_state.h"

namespace zelvar {

namespace {

// One residue: the products are taken left to right, then one division.  A
// zero divisor is a fault at this point.
long double residue(long double numerator, long double denominator) {
    const long double r = numerator / denominator;
    fp_check();
    return r;
}

}  // namespace

void compute_residues(DesignState& s) {
    const long double k = s.k, l = s.l, m = s.m, n = s.n;
    const long double S = k - l + m - n;
    fp_check();
    long double* A = s.Aj;
    switch (s.excitation_index) {
    case 0:
        s.excitation = k;
        s.w[1] = l, s.w[2] = m, s.w[3] = n;
        A[1] = residue((m - n) * l * (k - n) * (k + m), S * k * (l + m) * (l - n));
        A[2] = residue((l + n) * m * (k - n) * (k - l), S * k * (l + m) * (m + n));
        A[3] = residue((l - m) * n * (k + m) * (k - l), S * k * (l - n) * (m + n));
        break;
    case 1:
        s.excitation = l;
        s.w[1] = k, s.w[2] = m, s.w[3] = n;
        A[1] = residue((m - n) * k * (l + n) * (l - m), S * l * (k - m) * (k + n));
        A[2] = residue((l + n) * m * (k - n) * (k - l), S * l * (k - m) * (m + n));
        A[3] = residue((l - m) * n * (k + m) * (k - l), S * l * (k + n) * (m + n));
        break;
    case 2:
        s.excitation = m;
        s.w[1] = k, s.w[2] = l, s.w[3] = n;
        A[1] = residue((-k) * (m - n) * (l + n) * (l - m), S * m * (k + l) * (k + n));
        A[2] = residue((m - n) * l * (k - n) * (k + m), S * m * (k + l) * (l - n));
        A[3] = residue((l - m) * n * (k + m) * (k - l), S * m * (k + n) * (l - n));
        break;
    case 3:
        s.excitation = n;
        s.w[1] = k, s.w[2] = l, s.w[3] = m;
        A[1] = residue((m - n) * k * (l + n) * (l - m), S * n * (k + l) * (k - m));
        A[2] = residue((-l) * (m - n) * (k - n) * (k + m), S * n * (k + l) * (l + m));
        A[3] = residue((l + n) * m * (k - n) * (k - l), S * n * (k - m) * (l + m));
        break;
    default:
        throw Error(kRangeCheck);
    }
}

}  // namespace zelvar
