// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windings as coaxial circular rings, for the primary's inductance and the
// coupling between the primary and the secondary.
//
//   L = Σ_i w_i·L_ring(a_i) + 2·Σ_{i<j} w_i·w_j·M(a_i, a_j, z_j − z_i),
//   M(A, B) = Σ_i Σ_j w_i·w_j·M(a_i, b_j, z_j − z_i),
// M Maxwell's mutual inductance of two filaments and L_ring a ring's own
// inductance (coil/maxwell_mutual.h, Y = 0: the high-frequency value).
// Rosa & Grover, Bull. Bureau of Standards 8, 1912 (a coil as the sum of
// its turns' self and mutual inductances).
//
// A fractional number of turns N: ⌊N⌋ whole rings and a partial last ring,
// the fraction N − ⌊N⌋ of a turn, that counts as that fraction of a ring in
// its own inductance and in each of its mutual inductances (a tap part way
// round the last turn, its current's path taken as the same circle).  Every
// figure is so continuous in N.
// Range: the conductor thin against the ring radius; neighbouring rings
// farther apart than a conductor diameter (filaments: the current's spread
// over the conductor is ignored in the mutual inductances).
#include <vector>

#include "coil/windings.h"

namespace zelvar::coil {

struct Ring {
    long double radius = 0;
    long double height = 0;
    long double weight = 1;  // 1, or the fraction of a partial last turn
};

// A helix (or single-layer solenoid) of diameter D: turn i at base + i·pitch.
std::vector<Ring> helix_rings(long double diameter, long double pitch, long double turns, long double base);

// A primary of the given shape, innermost diameter, pitch and turns, its
// lowest turn at height `offset`.
std::vector<Ring> primary_rings(const PrimaryChoice& choice, long double turns, long double offset);

long double rings_self_inductance(const std::vector<Ring>& rings, long double conductor_radius);

long double rings_mutual(const std::vector<Ring>& a, const std::vector<Ring>& b);

}  // namespace zelvar::coil
