// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Mutual inductance of two coaxial circular filaments, and the inductance of
// one ring of round conductor.
//
// Maxwell (J. C. Maxwell, "A Treatise on Electricity and Magnetism", 1873,
// §701; DLMF §19.34): radii a, b, axial distance h,
//   M = μ0·√(ab)·[(2/k − k)·K(k) − (2/k)·E(k)],  k² = 4ab/((a+b)² + h²).
// Computed in the equivalent Landen-transformed form, free of the
// cancellation of the bracket at small k (distant rings):
//   M = 2μ0·√(ab)·[K(k1) − E(k1)]/√k1 = (2/3)·μ0·√(ab)·k1^(3/2)·R_D(0, 1 − k1², 1),
//   k1 = (r2 − r1)/(r2 + r1) = 4ab/(r1 + r2)², r1,2 = √((a ∓ b)² + h²),
// using K − E = (k²/3)·R_D(0, 1 − k², 1) (Carlson 1995).
// Range: a, b > 0, any h (the filaments not coincident).
//
// Ring of radius a and conductor radius ρ (Rosa & Grover, Bull. Bureau of
// Standards 8, 1912):  L = μ0·a·(ln(8a/ρ) − 2 + Y), taken with Y = 0, the
// high-frequency value (the current on the conductor's surface; Y = 1/4 for
// a uniform current).  Range: ρ ≪ a.
namespace zelvar::coil {

long double filament_mutual(long double a, long double b, long double h);

long double ring_inductance(long double a, long double conductor_radius);

}  // namespace zelvar::coil
