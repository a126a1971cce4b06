// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/eigenvalues.h"

#include <Eigen/Eigenvalues>
#include <cmath>

#include "app/faults.h"

namespace zelvar {

namespace {

// Scales row i by 1/f and column i by f, f a power of two, until the
// off-diagonal row and column sums are of the same size.
void balance(std::vector<long double>& a, int n) {
    auto at = [&](int r, int c) -> long double& { return a[static_cast<std::size_t>(r) * n + c]; };
    bool done = false;
    while (!done) {
        done = true;
        for (int i = 0; i < n; ++i) {
            long double c = 0, r = 0;
            for (int j = 0; j < n; ++j) {
                if (j == i) continue;
                c += std::fabs(at(j, i));
                r += std::fabs(at(i, j));
            }
            // A row or column of zeros, or an entry that is not finite
            // (the scaling would never end), is left as it is.
            const long double s = c + r;
            if (c == 0 || r == 0 || !std::isfinite(s)) continue;
            long double f = 1;
            long double g = r / 2;
            while (c < g) {
                f *= 2;
                c *= 4;
            }
            g = r * 2;
            while (c > g) {
                f /= 2;
                c /= 4;
            }
            if ((c + r) / f < 0.95L * s) {
                done = false;
                for (int j = 0; j < n; ++j) at(i, j) /= f;
                for (int j = 0; j < n; ++j) at(j, i) *= f;
            }
        }
    }
}

}  // namespace

std::vector<Complex> eigenvalues(std::vector<long double> a, int n, int max_iterations) {
    balance(a, n);
    using Matrix = Eigen::Matrix<long double, Eigen::Dynamic, Eigen::Dynamic>;
    using RowMajor = Eigen::Matrix<long double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;
    const Matrix m = Eigen::Map<const RowMajor>(a.data(), n, n);
    Eigen::EigenSolver<Matrix> solver;
    if (max_iterations != kDefaultEigenIterations) solver.setMaxIterations(max_iterations);
    solver.compute(m, false);
    if (solver.info() != Eigen::Success) throw Error("The natural frequencies could not be computed");
    const auto& values = solver.eigenvalues();
    return std::vector<Complex>(values.data(), values.data() + n);
}

}  // namespace zelvar
