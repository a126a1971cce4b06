// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Eigenvalues of a small real square matrix, in long double.
//
// The matrix is balanced (rows and columns scaled by powers of two, which
// leaves the eigenvalues exactly as they are and evens out element values
// of very different size), reduced to upper Hessenberg form by Householder
// reflections, and its eigenvalues found by the QR algorithm with
// Wilkinson shifts, in complex arithmetic, deflating one eigenvalue at a
// time from the bottom.
#include <complex>
#include <vector>

namespace zelvar {

using Complex = std::complex<long double>;

// a holds n rows of n entries (row-major, a.size() == n·n, n >= 1).  Returns
// the n eigenvalues in no particular order.  A QR iteration that does not
// converge within 60 sweeps per eigenvalue raises zelvar::Error.
std::vector<Complex> eigenvalues(std::vector<long double> a, int n);

}  // namespace zelvar
