#include "sim/circuit_model.h"

#include <cmath>

#include "app/faults.h"

namespace zelvar {

CircuitModel build_model(const SimParams& p) {
    CircuitModel m;
    auto& A = m.A;
    // Each statement that can fault is checked at once, so that the fault
    // reported is the first one met, in this order.

    // Inverse of the inductance matrix of the transformer.
    const long double M = std::sqrt(p.L1 * p.L2) * p.k12;
    fp_check();
    const long double D = p.L1 * p.L2 - M * M;
    fp_check();
    const long double g11 = p.L2 / D;
    fp_check();
    const long double g22 = p.L1 / D;
    fp_check();
    const long double g12 = (-M) / D;
    fp_check();
    const long double g21 = (-M) / D;

    // dv1/dt
    A[0][4] = 1 / p.C1;
    fp_check();
    // dv2/dt
    A[1][5] = -1 / p.C2;
    fp_check();
    A[1][6] = 1 / p.C2;
    // dv3/dt
    A[2][2] = -1 / (p.RL * p.C3);
    fp_check();
    A[2][3] = 1 / (p.RL * p.C3);
    A[2][6] = -1 / p.C3;
    fp_check();
    // dvl/dt
    A[3][2] = 1 / (p.RL * p.CL);
    fp_check();
    A[3][3] = -1 / (p.RL * p.CL);
    // di1/dt
    A[4][0] = -g11;
    A[4][1] = g12;
    A[4][4] = (-g11) * p.R1;
    A[4][5] = (-g12) * p.R2;
    m.B[4] = g11;
    fp_check();
    // di2/dt
    A[5][0] = -g21;
    A[5][1] = g22;
    A[5][4] = (-g21) * p.R1;
    A[5][5] = (-g22) * p.R2;
    m.B[5] = g21;
    fp_check();
    // di3/dt
    A[6][1] = -1 / p.L3;
    fp_check();
    A[6][2] = 1 / p.L3;
    A[6][6] = (-p.R3) / p.L3;
    fp_check();
    return m;
}

}  // namespace zelvar
