// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/freq_response.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>

#include "../app/scratch_dir.h"
#include "app/dispatch_cli.h"
#include "app/faults.h"
#include "design/mode_explorer.h"
#include "sim/circuit_model.h"
#include "sim/default_design_circuit.h"

namespace zelvar {
namespace {

constexpr long double kTwoPi = 2 * std::numbers::pi_v<long double>;

// Eigenvalues sorted by imaginary part (to a millionth, so that a real
// eigenvalue's rounding-level imaginary part counts as 0), then real part.
std::vector<Complex> sorted(std::vector<Complex> z) {
    std::sort(z.begin(), z.end(), [](const Complex& a, const Complex& b) {
        const long long ia = std::llround(a.imag() * 1e6L), ib = std::llround(b.imag() * 1e6L);
        return ia != ib ? ia < ib : a.real() < b.real();
    });
    return z;
}

struct EigenCase {
    const char* name;
    int n;
    std::vector<long double> a;
    std::vector<Complex> expected;  // sorted as above
};

TEST(Eigenvalues, KnownMatrices) {
    const EigenCase cases[] = {
        {"diagonal", 3, {3, 0, 0, 0, -2, 0, 0, 0, 5}, {{-2, 0}, {3, 0}, {5, 0}}},
        {"rotation", 2, {0, -4, 4, 0}, {{0, -4}, {0, 4}}},
        // Companion matrix of (x-1)(x-2)(x-3)(x-4) = x^4 - 10x^3 + 35x^2 - 50x + 24.
        {"companion", 4, {10, -35, 50, -24, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0}, {{1, 0}, {2, 0}, {3, 0}, {4, 0}}},
        // Entries eleven decades apart, as in the circuit: ±j·1e6.
        {"badly scaled", 2, {0, 1e11L, -1e1L, 0}, {{0, -1e6L}, {0, 1e6L}}},
    };
    for (const EigenCase& c : cases) {
        const std::vector<Complex> got = sorted(eigenvalues(c.a, c.n));
        ASSERT_EQ(got.size(), c.expected.size()) << c.name;
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_LT(std::abs(got[i] - c.expected[i]), 1e-15L * (1 + std::abs(c.expected[i]))) << c.name << " " << i;
    }
}

// A QR iteration allowed no step cannot finish on the circuit's matrix: an
// error with its message, never a hang; the default limit finishes.
TEST(Eigenvalues, IterationThatDoesNotConvergeIsAnError) {
    const CircuitModel m = build_model(default_design_circuit());
    std::vector<long double> a;
    for (int r = 0; r < kStates; ++r)
        for (int c = 0; c < kStates; ++c) a.push_back(m.A[r][c]);
    for (const int limit : {0, 1}) {
        try {
            eigenvalues(a, kStates, limit);
            ADD_FAILURE() << limit;
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "The natural frequencies could not be computed") << limit;
        }
    }
    EXPECT_EQ(eigenvalues(a, kStates).size(), 7u);
}

// The default design's values as the design hands them over, and its row.
struct DefaultDesign {
    SimParams params;
    ModeRow row;
};

DefaultDesign default_design() {
    struct Capture : DesignHandOver {
        DesignResults r;
        void hand_over_to_simulation(const DesignResults& results) override { r = results; }
    } capture;
    testdata::ScratchDir dir("zelvar-response");
    LineCollector log;
    EXPECT_TRUE(run_design(DesignInputs{}, log, &capture));
    DefaultDesign d;
    d.params.C1 = capture.r.C1;
    d.params.L1 = capture.r.L1;
    d.params.C2 = capture.r.C2;
    d.params.L2 = capture.r.L2;
    d.params.C3 = capture.r.C3;
    d.params.L3 = capture.r.L3;
    d.params.k12 = capture.r.k12;
    d.params.fin = capture.r.fin;
    d.params.RL = 1e30L;
    d.row = design_mode(DesignInputs{}, 5, 7, 9, 11);
    return d;
}

TEST(FrequencyResponse, LosslessPolesAreTheDesignResonances) {
    const DefaultDesign d = default_design();
    const std::vector<NaturalFrequency> nf = natural_frequencies(circuit_poles(d.params));
    ASSERT_EQ(nf.size(), 3u);
    for (int j = 0; j < 3; ++j) {
        EXPECT_LT(std::fabs(nf[j].f / d.row.f[j] - 1), 1e-9L) << "f" << j + 1;
        EXPECT_EQ(nf[j].decay, 0) << "f" << j + 1;
    }
    // The window's markers, from the same values with the default losses and load.
    SimParams lossy = d.params;
    lossy.R1 = 0.5L, lossy.RL = 220000;
    const std::vector<NaturalFrequency> marks = lossless_resonances(lossy);
    ASSERT_EQ(marks.size(), 3u);
    for (int j = 0; j < 3; ++j) EXPECT_LT(std::fabs(marks[j].f / d.row.f[j] - 1), 1e-9L);
    // With a resistance the poles move into the left half plane.
    for (const NaturalFrequency& n : natural_frequencies(circuit_poles(lossy))) EXPECT_GT(n.decay, 0);
}

TEST(FrequencyResponse, LosslessMaximaWithinOneGridStepOfTheResonances) {
    const DefaultDesign d = default_design();
    const ResponseRange range = default_range(natural_frequencies(circuit_poles(d.params)));
    EXPECT_EQ(range.points, 2000);
    const std::vector<ResponsePoint> curve = frequency_response(d.params, range);
    ASSERT_EQ(curve.size(), 2000u);
    EXPECT_EQ(curve.front().f, range.from);
    EXPECT_EQ(curve.back().f, range.to);
    const std::vector<std::size_t> peaks = v3_maxima(curve);
    ASSERT_EQ(peaks.size(), 3u);
    for (int j = 0; j < 3; ++j) {
        EXPECT_LE(curve[peaks[j] - 1].f, d.row.f[j]) << "f" << j + 1;
        EXPECT_GE(curve[peaks[j] + 1].f, d.row.f[j]) << "f" << j + 1;
    }
}

TEST(FrequencyResponse, UncoupledPrimaryIsASeriesRlc) {
    SimParams p;
    p.C1 = 5e-9L, p.L1 = 1.5e-4L, p.R1 = 2;
    p.C2 = 4e-11L, p.L2 = 6.5e-3L, p.C3 = 1e-11L, p.L3 = 0.03L;
    p.k12 = 0;
    for (const long double f : {1e4L, 183776.0L, 1e7L}) {
        const long double w = kTwoPi * f;
        const Complex z(2, w * p.L1 - 1 / (w * p.C1));
        const ResponsePoint r = response_at(p, f);
        EXPECT_LT(std::fabs(r.zin_ohm / std::abs(z) - 1), 1e-15L) << f;
        EXPECT_LT(std::fabs(r.zin_deg - std::arg(z) * 180 / std::numbers::pi_v<long double>), 1e-12L) << f;
        EXPECT_TRUE(std::isinf(r.v3_db) && r.v3_db < 0) << f;  // nothing reaches C3
    }
}

// The level |V3/Vin| in dB and Zin against the circuit's phasor equations
// solved by hand from the output end (current I3 = 1):
//   V3 = −I3 / (jωC3 + jωCL/(1 + jωCL·RL)),  V2 = V3 − (R3 + jωL3)·I3,
//   I2 = I3 − jωC2·V2,  I1 = (V2 − (R2 + jωL2)·I2) / (jωM),
//   Vin = (R1 + jωL1 + 1/(jωC1))·I1 + jωM·I2,  M = k12·√(L1·L2).
TEST(FrequencyResponse, LevelAndImpedanceAgreeWithTheLadderSolvedByHand) {
    SimParams p = default_design_circuit();
    p.R1 = 0.5L, p.R2 = 2, p.R3 = 5;
    const long double M = p.k12 * std::sqrt(p.L1 * p.L2);
    for (const long double f : {2e4L, 1.6e5L, 2.5e5L, 3.19e5L, 4.1e5L, 2e6L}) {
        const Complex jw(0, kTwoPi * f);
        const Complex i3 = 1;
        const Complex v3 = -i3 / (jw * p.C3 + jw * p.CL / (1.0L + jw * p.CL * p.RL));
        const Complex v2 = v3 - (p.R3 + jw * p.L3) * i3;
        const Complex i2 = i3 - jw * p.C2 * v2;
        const Complex i1 = (v2 - (p.R2 + jw * p.L2) * i2) / (jw * M);
        const Complex vin = (p.R1 + jw * p.L1 + 1.0L / (jw * p.C1)) * i1 + jw * M * i2;
        const ResponsePoint r = response_at(p, f);
        EXPECT_NEAR(r.v3_db, 20 * std::log10(std::abs(v3 / vin)), 1e-9L) << f;
        EXPECT_LT(std::fabs(r.zin_ohm / std::abs(vin / i1) - 1), 1e-12L) << f;
    }
}

TEST(FrequencyResponse, RefusedRangesAndCircuits) {
    const SimParams p = default_design().params;
    struct Case {
        ResponseRange range;
        const char* message;
    } const cases[] = {
        {{0, 1e6L, 10}, "The frequency range must go from a positive frequency up to a higher one"},
        {{2e5L, 1e5L, 10}, "The frequency range must go from a positive frequency up to a higher one"},
        {{1e5L, 2e5L, 1}, "The response needs at least 2 points"},
        {{1e5L, 2e5L, 1000001}, "The response takes at most 1000000 points"},
    };
    for (const Case& c : cases) {
        try {
            frequency_response(p, c.range);
            ADD_FAILURE() << c.message;
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    SimParams open = p;
    open.C2 = 0;  // the model's own fault
    EXPECT_THROW(circuit_poles(open), Error);
    EXPECT_THROW(default_range({}), Error);
}

// The command on the design's value file, without losses and load.
TEST(ResponseCli, NaturalFrequenciesAndCurveOfTheDefaultDesign) {
    const ModeRow row = design_mode(DesignInputs{}, 5, 7, 9, 11);
    testdata::ScratchDir dir("zelvar-response-cli");
    LineCollector log;
    ASSERT_TRUE(run_design(DesignInputs{}, log, nullptr));
    std::ostringstream out, err;
    ASSERT_EQ(run_cli({"response", "--values", "zelvar.val", "--RL", "1E30", "--csv", "r.csv"}, out, err),
              kExitCompleted)
        << err.str();
    std::istringstream printed(out.str());
    std::string line;
    std::getline(printed, line);
    EXPECT_EQ(line, "Natural frequencies:");
    for (int j = 0; j < 3; ++j) {
        std::getline(printed, line);
        std::istringstream fields(line);
        std::string name;
        long double f;
        ASSERT_TRUE(fields >> name >> f) << line;
        EXPECT_EQ(name, "f" + std::to_string(j + 1) + ":");
        EXPECT_LT(std::fabs(f / row.f[j] - 1), 1e-9L) << line;
        EXPECT_NE(line.find(" Hz, decay  0.0000000E+0000 1/s"), std::string::npos) << line;
    }
    std::getline(printed, line);
    EXPECT_EQ(line.rfind("Frequency response: 2000 points from ", 0), 0u) << line;

    std::ifstream csv("r.csv");
    std::getline(csv, line);
    EXPECT_EQ(line, "f,v3_db,zin_ohm,zin_deg");
    std::vector<ResponsePoint> curve;
    while (std::getline(csv, line)) {
        ResponsePoint p;
        char c1, c2, c3;
        std::istringstream fields(line);
        ASSERT_TRUE(fields >> p.f >> c1 >> p.v3_db >> c2 >> p.zin_ohm >> c3 >> p.zin_deg) << line;
        curve.push_back(p);
    }
    ASSERT_EQ(curve.size(), 2000u);
    const std::vector<std::size_t> peaks = v3_maxima(curve);
    ASSERT_EQ(peaks.size(), 3u);
    for (int j = 0; j < 3; ++j) {
        EXPECT_LE(curve[peaks[j] - 1].f, row.f[j]);
        EXPECT_GE(curve[peaks[j] + 1].f, row.f[j]);
    }

    std::ostringstream out2, err2;
    EXPECT_EQ(run_cli({"response", "--values", "zelvar.val", "--from", "0"}, out2, err2), kExitUsage);
    EXPECT_EQ(err2.str(), "zelvar-cli response: The frequency range must go from a positive frequency up to a higher "
                          "one.\nRun 'zelvar-cli response --help' for the options.\n");
}

}  // namespace
}  // namespace zelvar
