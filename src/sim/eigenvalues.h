// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Eigenvalues of a small real square matrix, in long double.
//
// The matrix is balanced (rows and columns scaled by powers of two, which
// leaves the eigenvalues exactly as they are and evens out element values
// of very different size), and its eigenvalues are found by Eigen's real
// Schur decomposition (EigenSolver: Householder reduction, then the
// Francis double-shift QR iteration).
#include <complex>
#include <vector>

namespace zelvar {

using Complex = std::complex<long double>;

// The iteration's default limit: Eigen's own, 40 QR steps per row.
inline constexpr int kDefaultEigenIterations = -1;

// a holds n rows of n entries (row-major, a.size() == n·n, n >= 1).  Returns
// the n eigenvalues in no particular order; a complex pair comes out as
// exact conjugates and a real eigenvalue with an imaginary part of 0.  An
// iteration that does not converge within max_iterations QR steps in all
// (kDefaultEigenIterations: 40 per row; the tests pass fewer) raises
// zelvar::Error "The natural frequencies could not be computed".
std::vector<Complex> eigenvalues(std::vector<long double> a, int n, int max_iterations = kDefaultEigenIterations);

}  // namespace zelvar
