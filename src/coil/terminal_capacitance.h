// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Capacitance of an isolated top terminal: a sphere and a torus, and the
// terminal of a given shape that has a required capacitance.
//
// Sphere of radius r: C = 4π·ε0·r.
// Torus of major radius R (to the tube's centre) and tube radius a, exactly
// (the torus is a coordinate surface η = η0 of toroidal coordinates; e.g.
// W. R. Smythe, "Static and Dynamic Electricity", 1950, §5.321; P. M. Morse
// and H. Feshbach, "Methods of Theoretical Physics", 1953, §10.3):
//   C = 8·ε0·c·Σ_{n≥0} ε_n·Q_{n−½}(cosh η0)/P_{n−½}(cosh η0),
//   c = √(R² − a²), cosh η0 = R/a, ε_0 = 1, ε_n = 2 (n >= 1),
// P and Q the Legendre functions of half-integer degree (toroidal
// functions).  P_{−½}, P_{½} and Q_{−½} come from the complete elliptic
// integrals of their integral representations (z = cosh η0, s = sinh η0):
//   P_{−½}(z) = (2/π)·K(κ)/√(z + s),  P_{½}(z) = (2/π)·√(z + s)·E(κ),
//   κ² = 2s/(z + s);  Q_{−½}(z) = m·K(m), m² = 2/(z + 1);
// P_{n+½} by the forward recurrence (n + ½)P_{n+½} = 2n·z·P_{n−½} − (n − ½)P_{n−3/2},
// Q by the same recurrence run backwards (Miller's algorithm, Q being the
// recurrence's minimal solution), scaled to Q_{−½}.  The series is summed
// until its terms are below 1E-22 of the sum.
// Range: tube-to-outer diameter ratio d/D with 0 < d/D < 0.5 (at 0.5 the
// hole closes); checked against the thin-ring limit 4π²ε0·R/ln(8R/a).
// Both terminals are isolated: far from ground, the coil and other objects.
namespace zelvar::coil {

inline constexpr long double kEpsilon0 = 8.8541878128e-12L;

long double sphere_capacitance(long double diameter);

// The torus of outer diameter D (= 2(R + a)) and tube diameter d (= 2a).
long double toroid_capacitance(long double outer_diameter, long double tube_diameter);

// The sphere's diameter that has capacitance C.
long double sphere_diameter_for(long double capacitance);

// The outer diameter of the torus of tube-to-outer ratio d/D that has
// capacitance C (the capacitance grows in proportion to the size).
long double toroid_outer_diameter_for(long double capacitance, long double ratio);

}  // namespace zelvar::coil
