// SPDX-License-Identifier: GPL-3.0-or-later
#include "coil/coil_rings.h"

#include <cmath>

#include "coil/maxwell_mutual.h"

namespace zelvar::coil {

namespace {

// Whole turns and the fraction of a last one.
template <class Place>
std::vector<Ring> rings_of(long double turns, Place place) {
    std::vector<Ring> rings;
    const long double whole = std::floor(turns);
    rings.reserve(static_cast<std::size_t>(whole) + 1);
    for (long double i = 0; i < whole; i += 1) rings.push_back(place(i, 1.0L));
    if (turns > whole) rings.push_back(place(whole, turns - whole));
    return rings;
}

}  // namespace

std::vector<Ring> helix_rings(long double diameter, long double pitch, long double turns, long double base) {
    return rings_of(turns, [&](long double i, long double w) { return Ring{diameter / 2, base + i * pitch, w}; });
}

std::vector<Ring> primary_rings(const PrimaryChoice& choice, long double turns, long double offset) {
    if (choice.shape == PrimaryShape::helix) return helix_rings(choice.diameter, choice.pitch, turns, offset);
    return rings_of(turns,
                    [&](long double i, long double w) { return Ring{choice.diameter / 2 + i * choice.pitch, offset, w}; });
}

long double rings_self_inductance(const std::vector<Ring>& rings, long double conductor_radius) {
    long double own = 0, mutual = 0;
    for (std::size_t i = 0; i < rings.size(); ++i) {
        own += rings[i].weight * ring_inductance(rings[i].radius, conductor_radius);
        for (std::size_t j = i + 1; j < rings.size(); ++j)
            mutual += rings[i].weight * rings[j].weight *
                      filament_mutual(rings[i].radius, rings[j].radius, rings[j].height - rings[i].height);
    }
    return own + 2 * mutual;
}

long double rings_mutual(const std::vector<Ring>& a, const std::vector<Ring>& b) {
    long double sum = 0;
    for (const Ring& p : a) {
        long double row = 0;
        for (const Ring& q : b) row += q.weight * filament_mutual(p.radius, q.radius, q.height - p.height);
        sum += p.weight * row;
    }
    return sum;
}

}  // namespace zelvar::coil
