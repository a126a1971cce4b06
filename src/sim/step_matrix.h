// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The matrix of one implicit trapezoidal step, P = I − (h/2)·A, and its
// inversion in place.
#include "report/report_log.h"
#include "sim/circuit_model.h"

namespace zelvar {

// P_rr = 1 − (h/2)·A_rr;  P_rc = (−(h/2))·A_rc off the diagonal.
void build_step_matrix(const Matrix7& A, long double h, Matrix7& P);

// Replaces the leading n × n block of P (1 ≤ n ≤ 7) by its inverse, pivoting
// on the diagonal without row or column exchanges.  A pivot of magnitude
// below 1e-12 writes "Something wrong (line k). The L matrix can't be
// inverted." to the log and returns false at once, leaving P as the pivots
// done so far left it.  Returns true when the inverse is complete.
bool invert_in_place(int n, Matrix7& P, ReportSink& log);

}  // namespace zelvar
