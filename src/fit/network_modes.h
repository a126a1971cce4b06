#pragma once
// The natural frequencies of the lossless network in each set-up a builder
// measures at the bench, as functions of its element values and k12.
//
// The network: C1–L1 (the primary), coupled by k12 to L2 with C2 across it
// (the secondary), L3 from C2's top to C3 (the extra coil and its terminal).
// With x = ω², ω1² = 1/(L1·C1), ω2² = 1/(L2·C2), ω3² = 1/(L3·C3), r = C3/C2:
//  - whole network (driven at the primary): the three roots of
//      (1 − k²)x³ − [ω1² + ω2² + (1 − k²)(1 + r)ω3²]x²
//        + [ω1²ω2² + (1 + r)ω1²ω3² + ω2²ω3²]x − ω1²ω2²ω3² = 0;
//  - primary open (no primary current): the two roots of
//      x² − [ω2² + (1 + r)ω3²]x + ω2²ω3² = 0;
//  - primary shorted: the same with L2 replaced by (1 − k²)·L2;
//  - extra coil alone with its terminal: 1/(2π·√(L3·C3)).
// (The characteristic equation of the network's lossless loop equations,
// the mutual inductance M = k12·√(L1·L2); the split of a coupled pair and
// its coupling k² = 1 − P_open/P_short from the primary open and shorted:
// J.-S. Hong and M. J. Lancaster, "Microstrip Filters for RF/Microwave
// Applications", Wiley 2001, ch. 8; the alignment of coupled resonators by
// their measured frequencies: M. Dishal, "Alignment and adjustment of
// synchronously tuned multiple-resonant-circuit filters", Proc. IRE 39, 1951.)
//
// Every set-up is computed twice, independently: from these closed forms
// (the cubic by the trigonometric solution, each root then polished by
// Newton steps on the cubic), and as the eigenvalues ±jω of the set-up's
// lossless state matrix (the whole network through the simulator's own
// circuit model, sim/freq_response.h; the others from their own 4 × 4 and
// 2 × 2 matrices, sim/eigenvalues.h).
//
// Valid for lumped, lossless elements: every element positive and
// 0 < k12 < 1 (check_network raises zelvar::Error otherwise).
#include <array>
#include <vector>

#include "sim/element_values.h"

namespace zelvar::fit {

enum class Setup : int { whole = 0, open, shorted, extra };

// The eight measurable frequencies, in this order throughout the fit, its
// report and its JSON.
enum Measurement : int { kF1 = 0, kF2, kF3, kOpenLow, kOpenHigh, kShortLow, kShortHigh, kExtra };
inline constexpr int kMeasurements = 8;

// "f1", "f2", "f3", "open_low", "open_high", "short_low", "short_high", "extra".
const char* measurement_name(int m);
// The set-up a measurement belongs to, and the set-up's words for a report
// ("whole network", "primary open", "primary shorted", "extra coil alone").
Setup measurement_setup(int m);
const char* setup_name(Setup s);

// Raises zelvar::Error naming the first element that is not positive and
// finite, or a k12 outside 0 < k12 < 1.
void check_network(const ElementValues& v);

// The natural frequencies of one set-up in Hz, by increasing frequency
// (3, 2, 2 and 1 of them): the closed forms above.
std::vector<long double> setup_frequencies(const ElementValues& v, Setup s);

// The same from the eigenvalues of the set-up's lossless state matrix.
std::vector<long double> setup_frequencies_by_eigenvalues(const ElementValues& v, Setup s);

// All eight, in Measurement order (closed forms).
std::array<long double, kMeasurements> network_frequencies(const ElementValues& v);

}  // namespace zelvar::fit
