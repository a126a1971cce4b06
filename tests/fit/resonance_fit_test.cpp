// The network's modes per set-up, the fit of the built values from them,
// and the retune, on the default design built with known deviations.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/faults.h"
#include "fit/as_built.h"
#include "fit/network_modes.h"
#include "fit/resonance_fit.h"
#include "fit/retune.h"
#include "sim/default_design_circuit.h"

namespace zelvar::fit {
namespace {

ElementValues design() { return elements_of(default_design_circuit()); }

// The default design built with C2 +8 %, C3 −5 %, k12 +3 %.
ElementValues deviated() {
    ElementValues v = design();
    v.C2 *= 1.08L;
    v.C3 *= 0.95L;
    v.k12 *= 1.03L;
    return v;
}

// The measurements of `mask` (bit m: measurement m), from the eigenvalues of
// the set-ups' state matrices.
FitInput measured(const ElementValues& built, unsigned mask) {
    FitInput in;
    in.nominal = design();
    int m = 0;
    for (fit::Setup s : {fit::Setup::whole, fit::Setup::open, fit::Setup::shorted, fit::Setup::extra})
        for (long double f : setup_frequencies_by_eigenvalues(built, s)) {
            if (mask & (1u << m)) in.measured[m] = f;
            ++m;
        }
    return in;
}

long double worst_deviation(const ElementValues& a, const ElementValues& b) {
    long double d = 0;
    for (int u = 0; u < kUnknowns; ++u) d = std::max(d, std::fabs(a.*unknown_field(u) / (b.*unknown_field(u)) - 1));
    return d;
}

TEST(NetworkModes, ClosedFormsAgreeWithTheStateMatrixEigenvalues) {
    for (const ElementValues& v : {design(), deviated()})
        for (fit::Setup s : {fit::Setup::whole, fit::Setup::open, fit::Setup::shorted, fit::Setup::extra}) {
            const auto closed = setup_frequencies(v, s), eig = setup_frequencies_by_eigenvalues(v, s);
            ASSERT_EQ(closed.size(), eig.size()) << setup_name(s);
            for (std::size_t i = 0; i < closed.size(); ++i) EXPECT_NEAR(closed[i] / eig[i], 1, 1e-15L) << setup_name(s);
        }
}

// Hong & Lancaster's reading of the coupling from the primary open and
// shorted: k² = 1 − P_open/P_short, P the product of the two modes' ω².
TEST(NetworkModes, OpenAndShortedModesGiveTheCouplingAsPublished) {
    const ElementValues v = deviated();
    const auto f = network_frequencies(v);
    const long double p_open = f[kOpenLow] * f[kOpenLow] * f[kOpenHigh] * f[kOpenHigh];
    const long double p_short = f[kShortLow] * f[kShortLow] * f[kShortHigh] * f[kShortHigh];
    EXPECT_NEAR(std::sqrt(1 - p_open / p_short), v.k12, 1e-15L);
    EXPECT_NEAR(f[kExtra], 1 / (2 * 3.14159265358979323846L * std::sqrt(v.L3 * v.C3)), 1e-9L);
}

// Every set of three or more measurements: a unique fit returns the
// deviations to 1E-9, an ambiguous one holds them among its solutions, and
// the rest are refused as rank-deficient.
TEST(ResonanceFit, EverySufficientSetReturnsTheDeviations) {
    const ElementValues truth = deviated();
    int unique = 0, ambiguous = 0, refused = 0;
    for (unsigned mask = 0; mask < 256; ++mask) {
        if (__builtin_popcount(mask) < 3) continue;
        try {
            const FitResult r = fit_network(measured(truth, mask));
            long double nearest = 1;
            for (const FitSolution& s : r.solutions) nearest = std::min(nearest, worst_deviation(s.values, truth));
            EXPECT_LT(nearest, 1e-9L) << "set " << mask;
            (r.ambiguous() ? ambiguous : unique)++;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()).rfind("The measured frequencies ", 0), 0u) << mask << ": " << e.what();
            ++refused;
        }
    }
    // Whole network with open, with shorted, or all eight are among the unique ones.
    for (unsigned mask : {0x1Fu, 0x67u, 0xFFu, 0x78u}) EXPECT_FALSE(fit_network(measured(truth, mask)).ambiguous());
    EXPECT_GT(unique, 150);
    EXPECT_GT(ambiguous, 0);
    EXPECT_GT(refused, 0);
}

TEST(ResonanceFit, NoisyFrequenciesFitWithinTheirUncertainties) {
    const ElementValues truth = deviated();
    // Deviations of the eight frequencies in units of 0.1 %.
    const long double noise[][kMeasurements] = {
        {0.7L, -1.2L, 0.3L, 1.5L, -0.4L, -0.9L, 0.2L, 1.1L},
        {-1.4L, 0.5L, 0.9L, -0.3L, 1.8L, 0.6L, -1.0L, -0.2L},
        {0.1L, 0.8L, -1.6L, 0.4L, -0.7L, 1.3L, 0.9L, -1.1L},
    };
    for (const auto& n : noise) {
        FitInput in = measured(truth, 0xFF);
        for (int m = 0; m < kMeasurements; ++m) in.measured[m] *= 1 + n[m] * kDefaultUncertainty;
        const FitResult r = fit_network(in);
        ASSERT_EQ(r.solutions.size(), 1u);
        const FitSolution& s = r.solutions[0];
        for (int u : {kC2, kC3, kK12}) {
            EXPECT_GT(s.uncertainty[u], 0);
            EXPECT_LT(std::fabs(s.values.*unknown_field(u) - truth.*unknown_field(u)), 3 * s.uncertainty[u])
                << unknown_name(u);
        }
        for (int m = 0; m < kMeasurements; ++m) EXPECT_LT(std::fabs(s.residual[m]), 3e-3L);
    }
}

TEST(ResonanceFit, TheWholeNetworkAloneGivesTwoSolutionsAndNamesTheSetUpThatTellsThemApart) {
    const ElementValues truth = deviated();
    const FitResult r = fit_network(measured(truth, 0x07));
    ASSERT_EQ(r.solutions.size(), 2u);
    EXPECT_LT(worst_deviation(r.solutions[0].values, truth), 1e-9L);
    EXPECT_GT(worst_deviation(r.solutions[1].values, truth), 0.05L);
    const auto f0 = network_frequencies(r.solutions[0].values), f1 = network_frequencies(r.solutions[1].values);
    for (int m = kF1; m <= kF3; ++m) EXPECT_NEAR(f1[m] / f0[m], 1, 1e-12L);
    EXPECT_EQ(r.tells_apart, fit::Setup::open);
    EXPECT_EQ(r.ambiguity.rfind("2 sets of values fit the measured frequencies equally well: measure the primary "
                                "open to tell them apart (its frequencies differ by 1.98 %;",
                                0),
              0u)
        << r.ambiguity;
}

TEST(ResonanceFit, RefusesWithItsMessages) {
    const ElementValues truth = deviated();
    const struct {
        unsigned mask;
        const char* unknowns;
        const char* message;
    } cases[] = {
        {0x03, "C2,C3,k12", "3 unknowns (C2,C3,k12) need at least 3 measured frequencies; 2 are given"},
        {0x07, "C1,L1", "The measured frequencies cannot tell C1 and L1 apart (they fix only a combination of them): "
                        "measure another set-up, or hold one of them at its value"},
        {0x18, "C1", "The measured frequencies do not depend on C1: measure a set-up that does, or hold it at its "
                     "value"},
        {0x98, "C2,C3,k12", "The measured frequencies do not depend on k12: measure a set-up that does, or hold it "
                            "at its value"},
    };
    for (const auto& c : cases) {
        FitInput in = measured(truth, c.mask);
        in.unknowns = parse_unknowns(c.unknowns);
        try {
            fit_network(in);
            ADD_FAILURE() << c.message;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
    for (const char* bad : {"C2,C4", "C2,C2", ""}) EXPECT_THROW(parse_unknowns(bad), Error) << bad;
    EXPECT_EQ(unknowns_text(parse_unknowns(" k12 ,C2")), "C2,k12");
}

TEST(Retune, TheModeRatioStartOfTheDesignIsTheDesign) {
    const SimParams p = default_design_circuit();
    RetunePoint s;
    ASSERT_TRUE(mode_ratio_start(design(), design(), PrimaryKnob::L1, p.fin, 5e-6L, s));
    EXPECT_NEAR(s.L1 / p.L1, 1, 1e-12L);
    EXPECT_NEAR(s.k12 / p.k12, 1, 1e-12L);
    EXPECT_NEAR(s.fin / p.fin, 1, 1e-12L);
    EXPECT_NEAR(s.tstop / 5e-6L, 1, 1e-12L);
}

// The deviated network at the design's drive: the retune keeps at least
// the as-built efficiency and gets most of the loss back (by L1 or by C1).
TEST(Retune, RecoversMostOfTheDeviatedNetworksLoss) {
    const SimParams run = default_design_circuit();
    const NetworkFigures d = network_figures(run, design()), b = network_figures(run, deviated());
    ASSERT_EQ(d.run.status, RunStatus::completed);
    ASSERT_EQ(b.run.status, RunStatus::completed);
    ASSERT_LT(b.run.figures.efficiency, d.run.figures.efficiency - 1);
    for (PrimaryKnob knob : {PrimaryKnob::L1, PrimaryKnob::C1}) {
        RetuneSettings settings;
        settings.knob = knob;
        const RetuneResult r = retune(run, design(), deviated(), settings);
        EXPECT_EQ(r.as_built.efficiency, b.run.figures.efficiency);
        EXPECT_GE(r.best.efficiency, r.as_built.efficiency);
        const long double recovered =
            (r.best.efficiency - b.run.figures.efficiency) / (d.run.figures.efficiency - b.run.figures.efficiency);
        EXPECT_GT(recovered, 0.9L);
        EXPECT_LE(r.runs, settings.max_runs + 5);
        // What the retune changed is what it reports.
        EXPECT_EQ(knob == PrimaryKnob::L1 ? r.best.C1 : r.best.L1, knob == PrimaryKnob::L1 ? run.C1 : run.L1);
    }
}

}  // namespace
}  // namespace zelvar::fit
