// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Self-capacitance of a single-layer solenoid from Medhurst's measurements.
//
// R. G. Medhurst, "H.F. resistance and self-capacitance of single-layer
// solenoids", Wireless Engineer 24, 1947, pp. 35–43 and 80–92:
//   C = H·D, C in pF, D the winding diameter in cm, H measured against ℓ/D.
// Between the table's points H is interpolated by the monotone piecewise
// cubic Hermite interpolant of F. N. Fritsch and R. E. Carlson ("Monotone
// piecewise cubic interpolation", SIAM J. Numer. Anal. 17, 1980): it passes
// through every point, keeps each run of the table rising, level or falling,
// and is continuous with a continuous slope.
// Range: ℓ/D from 0.1 to 50 (the table); outside it raises zelvar::Error.
// Medhurst's coils were wound on dielectric formers, standing clear of
// other objects; a bare coil, the former, the wire's insulation and the
// surroundings move the real value by several per cent.
#include <cstddef>

namespace zelvar::coil {

inline constexpr long double kMedhurstMin = 0.1L, kMedhurstMax = 50;

// The table itself (ℓ/D, H), for the tests and the documentation.
inline constexpr std::size_t kMedhurstPoints = 33;
extern const long double kMedhurstLD[kMedhurstPoints];
extern const long double kMedhurstH[kMedhurstPoints];

// H for ℓ/D in [0.1, 50].
long double medhurst_h(long double l_over_d);

// The self-capacitance in farads of a solenoid of diameter D and length ℓ
// (metres).
long double solenoid_self_capacitance(long double diameter, long double length);

}  // namespace zelvar::coil
