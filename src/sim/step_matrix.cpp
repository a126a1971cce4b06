// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/step_matrix.h"

#include <cmath>

#include "report/format.h"

namespace zelvar {

void build_step_matrix(const Matrix7& A, long double h, Matrix7& P) {
    const long double half = h / 2;
    for (int r = 0; r < kStates; ++r)
        for (int c = 0; c < kStates; ++c)
            P[r][c] = r == c ? 1 - half * A[r][c] : (-half) * A[r][c];
}

bool invert_in_place(int n, Matrix7& P, ReportSink& log) {
    for (int k = 0; k < n; ++k) {
        const long double p = P[k][k];
        // Strictly below the threshold; a NaN pivot passes (quiet test).
        if (std::isless(std::fabs(p), 1e-12L)) {
            report_line(log, "Something wrong (line " + I(k + 1) + "). The L matrix can't be inverted.");
            return false;
        }
        P[k][k] = 1 / p;
        for (int j = 0; j < n; ++j)
            if (j != k) P[k][j] = -P[k][j] / p;
        for (int i = 0; i < n; ++i) {
            if (i == k) continue;
            const long double t = P[i][k];
            P[i][k] = t / p;
            for (int j = 0; j < n; ++j)
                if (j != k) P[i][j] = P[k][j] * t + P[i][j];
        }
    }
    return true;
}

}  // namespace zelvar
