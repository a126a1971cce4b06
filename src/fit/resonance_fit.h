#pragma once
// The network as built, from the resonance frequencies measured at the bench.
//
// Any subset of the eight frequencies of fit/network_modes.h, each with a
// relative standard uncertainty σ_i (default 0.1 %), and a chosen set of
// unknowns among C1, L1, C2, L2, C3, L3 and k12 (default C2, C3 and k12);
// the other elements are held at their nominal values.  The fit minimizes
//   χ² = Σ_i ((f_i(θ) − f_i,measured) / (σ_i · f_i,measured))²
// over θ_j = ln(value_j / nominal_j) by Levenberg–Marquardt
// (K. Levenberg 1944, D. W. Marquardt, "An algorithm for least-squares
// estimation of nonlinear parameters", J. SIAM 11, 1963), the Jacobian by
// central differences.  The standard uncertainty of each fitted value is
// value_j · √C_jj with C = (Jᵀ·W·J)⁻¹, W = diag(1/σ_i²) (the covariance of a
// linearized least-squares fit; Press et al., "Numerical Recipes", 3rd ed.
// 2007, §15.5).
//
// It refuses, with a message that says what to measure or hold:
//  - fewer measured frequencies than unknowns;
//  - a rank-deficient Jacobian: unknowns the measurements cannot tell apart
//    (e.g. C1 and L1, which enter every set-up only as L1·C1), or an unknown
//    no measured frequency depends on.
// Several sets of values can fit equally well (the three whole-network
// modes alone are met by two sets of C2, C3 and k12 for a typical coil set):
// the fit starts from a grid around the nominal values, keeps every distinct
// solution whose χ² is within 1 of the best, and when there is more than one
// reports them all with the set-up whose frequencies differ most between
// them (the primary open or shorted), instead of choosing one.
#include <array>
#include <atomic>
#include <string>
#include <vector>

#include "fit/network_modes.h"
#include "sim/element_values.h"

namespace zelvar::fit {

enum Unknown : int { kC1 = 0, kL1, kC2, kL2, kC3, kL3, kK12 };
inline constexpr int kUnknowns = 7;

// "C1", "L1", "C2", "L2", "C3", "L3", "k12".
const char* unknown_name(int u);
long double ElementValues::*unknown_field(int u);

using UnknownSet = std::array<bool, kUnknowns>;
inline constexpr UnknownSet kDefaultUnknowns = {false, false, true, false, true, false, true};

// "C2,C3,k12": names separated by commas (blanks around them allowed, any
// order, each once).  An unknown or repeated name, or an empty list, raises
// zelvar::Error naming it.
UnknownSet parse_unknowns(const std::string& text);
std::string unknowns_text(const UnknownSet& set);  // "C2,C3,k12"

inline constexpr long double kDefaultUncertainty = 1e-3L;  // 0.1 %

struct FitInput {
    ElementValues nominal;
    std::array<long double, kMeasurements> measured{};     // Hz; 0: not measured
    std::array<long double, kMeasurements> uncertainty{};  // relative; 0: the default
    UnknownSet unknowns = kDefaultUnknowns;
};

struct FitSolution {
    ElementValues values;                                // nominal, with the unknowns fitted
    std::array<long double, kUnknowns> uncertainty{};    // standard uncertainty; 0 where held
    std::array<long double, kMeasurements> residual{};   // (model − measured)/measured; 0 where not measured
    long double chi2 = 0;
    int iterations = 0;
};

struct FitResult {
    // One solution, or (ambiguous) every one that fits equally well, the one
    // nearest the nominal values first.
    std::vector<FitSolution> solutions;
    bool ambiguous() const { return solutions.size() > 1; }
    // When ambiguous: the set-up that tells the solutions apart, and the
    // line that says so (empty otherwise).
    Setup tells_apart = Setup::whole;
    std::string ambiguity;
};

// The number of measured frequencies of an input.
int measured_count(const FitInput& in);

// The fit.  Raises zelvar::Error with its message for an invalid nominal
// network, a measured frequency that is not a positive number, an
// uncertainty not above 0 and below 100 %, no unknown, too few
// measurements, a rank-deficient Jacobian, or no start that converges.
// A set cancel flag ends it early with "The fit was cancelled".
FitResult fit_network(const FitInput& in, const std::atomic<bool>* cancel = nullptr);

}  // namespace zelvar::fit
