// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Carlson's symmetric elliptic integrals of the first and second kind,
//   R_F(x, y, z) = ½ ∫₀^∞ dt / √((t+x)(t+y)(t+z)),
//   R_D(x, y, z) = 3/2 ∫₀^∞ dt / (√((t+x)(t+y)) (t+z)^{3/2}),
// by the duplication theorem.
// Source: B. C. Carlson, "Numerical computation of real or complex elliptic
// integrals", Numerical Algorithms 10, 1995 (algorithms 1 and 4).
// Range: x, y, z >= 0, at most one of them zero (R_D: z > 0); relative error
// near the 80-bit rounding (the iteration runs until the spread of the
// arguments is below 2E-4, where the fifth-order series is exact to 1E-21).
// Used where K − E = (k²/3)·R_D(0, 1 − k², 1) avoids the cancellation of
// K(k) − E(k) at small k.
namespace zelvar::coil {

long double carlson_rf(long double x, long double y, long double z);
long double carlson_rd(long double x, long double y, long double z);

}  // namespace zelvar::coil
