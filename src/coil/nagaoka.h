// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Inductance of a single-layer solenoid: the current sheet with Nagaoka's
// coefficient, and Rosa's corrections for a winding of round wire.
//
// Current sheet (Lorenz; H. Nagaoka, "The inductance coefficients of
// solenoids", J. Coll. Sci. Tokyo 27, 1909; E. B. Rosa and F. W. Grover,
// "Formulas and tables for the calculation of mutual and self-inductance",
// Bull. Bureau of Standards 8, 1912):
//   L_sheet = μ0·π·(D/2)²·N²·K_N/ℓ,
//   K_N = (4/(3π k'))·[(k'²/k²)(K(k) − E(k)) + E(k) − k],
//   k = D/√(D² + ℓ²), k' = ℓ/√(D² + ℓ²),
// K, E the complete elliptic integrals of modulus k.  Exact for any ℓ/D > 0.
//
// Round wire (E. B. Rosa, "The self and mutual inductances of linear
// conductors", Bull. Bureau of Standards 4, 1908; Rosa & Grover 1912):
//   L = L_sheet − μ0·(D/2)·N·(G + H),
//   G = 5/4 − ln(2p/d)   (a round wire against a strip of width p),
//   H(N) = (2/N)·Σ_{m=1}^{N−1} (N − m)·h_m,
//   h_m = ln(m p) − ln g_m, g_m the geometric mean distance of two strips of
//   width p whose centres are m·p apart (the mutual inductance of two turns
//   against that of two strips of the sheet):
//   h_m = 3/2 − ½[(m+1)²·ln(1 + 1/m) + (m−1)²·ln(1 − 1/m)]
//       = Σ_{i≥1} m^(−2i) / (i(2i+1)(2i+2)).
//   H rises from 0 (N = 1) to ln(2π) − 3/2 = 0.337877 (N → ∞).
// Range: Rosa's corrections assume the pitch small against the radius (the
// turns' mutual inductances taken as those of straight parallel conductors),
// true of every practical solenoid; they need pitch >= wire diameter.
// A fractional N: N·H(N)/2 = Σ_{m<N} (N − m)·h_m is continued linearly in N
// between whole turns (the sum with N real), so that L is continuous in N.
// D is the diameter to the wire centres, ℓ = N·p, d the bare wire diameter.
namespace zelvar::coil {

inline constexpr long double kMu0 = 4e-7L * 3.141592653589793238462643383279502884L;
inline constexpr long double kPi = 3.141592653589793238462643383279502884L;

// K_N for the diameter-to-length ratio D/ℓ > 0.
long double nagaoka_coefficient(long double d_over_l);

// The current-sheet inductance of N turns of diameter D over length ℓ.
long double sheet_inductance(long double diameter, long double length, long double turns);

// Rosa's G for pitch p and bare wire diameter d.
long double rosa_g(long double pitch, long double wire);

// Rosa's h_m, the correction of one pair of turns m pitches apart (m >= 1).
long double rosa_pair(long double m);

// Rosa's H(N) for N >= 0 turns (continued linearly between whole turns).
long double rosa_h(long double turns);

// L of N turns of diameter D at pitch p of round wire of bare diameter d.
long double solenoid_inductance(long double diameter, long double turns, long double pitch, long double wire);

}  // namespace zelvar::coil
