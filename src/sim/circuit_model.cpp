#include "sim/circuit_model.h"

#include <cmath>

#include "app/faults.h"

namespace zelvar {

namespace {

// Row r of the coupled inductors with inverse-inductance entries ga (of L1)
// and gb (of L2): A_r1 = −ga, A_r2 = gb, A_r5 = (−ga)·R1, A_r6 = (−gb)·R2,
// B_r = ga.
void inductor_row(CircuitModel& m, int r, long double ga, long double gb, const SimParams& p) {
    m.A[r][0] = -ga;
    m.A[r][1] = gb;
    m.A[r][4] = (-ga) * p.R1;
    m.A[r][5] = (-gb) * p.R2;
    m.B[r] = ga;
    fp_check();
}

}  // namespace

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
    // di1/dt and di2/dt: the rows (Γ11, Γ12) and (Γ21, Γ22) of the inverse
    // inductance times the voltages across L1 and L2.
    inductor_row(m, 4, g11, g12, p);
    inductor_row(m, 5, g21, g22, p);
    // di3/dt
    A[6][1] = -1 / p.L3;
    fp_check();
    A[6][2] = 1 / p.L3;
    A[6][6] = (-p.R3) / p.L3;
    fp_check();
    return m;
}

bool is_coupling_physical(long double k12) { return std::isless(std::fabs(k12), 1.0L); }

void check_coupling(const SimParams& p) {
    if (!is_coupling_physical(p.k12))
        throw SettingError("The coupling k12 must be above -1 and below 1: a coupling of 1 or more is not a circuit");
}

}  // namespace zelvar
