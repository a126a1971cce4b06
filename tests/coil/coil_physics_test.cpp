// SPDX-License-Identifier: GPL-3.0-or-later
// The coil physics against published values and independent computations.
#include <gtest/gtest.h>

#include <cmath>

#include "app/faults.h"
#include "coil/maxwell_mutual.h"
#include "coil/medhurst.h"
#include "coil/nagaoka.h"
#include "coil/terminal_capacitance.h"
#include "coil/wire_losses.h"

using namespace zelvar::coil;

namespace {

// Nagaoka's coefficient, Rosa & Grover 1912.
TEST(Nagaoka, PublishedCoefficients) {
    const struct {
        long double d_over_l, k;
    } cases[] = {{0.1L, 0.958807L}, {0.2L, 0.920093L}, {0.5L, 0.818136L}, {1, 0.688423L},
                 {2, 0.525510L},    {5, 0.319825L},    {10, 0.203324L}};
    for (const auto& c : cases) EXPECT_NEAR(nagaoka_coefficient(c.d_over_l), c.k, 5e-7L) << c.d_over_l;
}

// Rosa's H, checked against Grover's table; the limit ln(2π) − 3/2.
TEST(Nagaoka, RosaMutualCorrection) {
    const struct {
        long double n, h;
    } cases[] = {{1, 0}, {2, 0.113706L}, {10, 0.266408L}, {100, 0.326893L}};
    for (const auto& c : cases) EXPECT_NEAR(rosa_h(c.n), c.h, 5e-7L) << c.n;
    EXPECT_NEAR(rosa_h(1e5L), 0.337877L, 3e-5L);
    // The pair term: closed form and series agree where they meet.
    const long double m = 8, u = 1 / m;
    EXPECT_NEAR(rosa_pair(m), 1.5L - ((m + 1) * (m + 1) * std::log1p(u) + (m - 1) * (m - 1) * std::log1p(-u)) / 2,
                1e-16L);
    // Continued linearly between whole turns.
    EXPECT_NEAR(10.5L * rosa_h(10.5L), (10 * rosa_h(10) + 11 * rosa_h(11)) / 2, 1e-15L);
}

// Maxwell's formula: published values and a Neumann integral.
TEST(Maxwell, FilamentMutualInductance) {
    EXPECT_NEAR(filament_mutual(1, 1, 1) * 1e9L, 494.0785L, 1e-4L);
    EXPECT_NEAR(filament_mutual(0.1L, 0.1L, 0.1L) * 1e9L, 49.4078L, 1e-4L);
    EXPECT_NEAR(filament_mutual(0.5L, 0.25L, 0.2L) * 1e9L, 200.8840L, 1e-4L);
    // M = (μ0·a·b/2)·∫₀^{2π} cos φ/√(a² + b² + h² − 2ab·cos φ) dφ, by the
    // trapezoidal rule (exponentially convergent for a periodic integrand).
    const struct {
        long double a, b, h;
    } cases[] = {{1, 1, 1}, {0.5L, 0.25L, 0.2L}, {0.15L, 0.18L, 0.02L}, {0.1L, 0.3L, 2}};
    for (const auto& c : cases) {
        const int n = 20000;
        long double sum = 0;
        for (int i = 0; i < n; ++i) {
            const long double phi = 2 * kPi * i / n;
            sum += std::cos(phi) / std::sqrt(c.a * c.a + c.b * c.b + c.h * c.h - 2 * c.a * c.b * std::cos(phi));
        }
        const long double neumann = kMu0 * c.a * c.b / 2 * sum * (2 * kPi / n);
        EXPECT_NEAR(filament_mutual(c.a, c.b, c.h) / neumann, 1, 1e-12L) << c.a << " " << c.b << " " << c.h;
    }
}

// Medhurst's table is passed through; between its points the interpolant
// stays within its neighbours; outside it, a message.
TEST(Medhurst, TablePointsMonotoneAndRange) {
    for (std::size_t i = 0; i < kMedhurstPoints; ++i)
        EXPECT_NEAR(medhurst_h(kMedhurstLD[i]), kMedhurstH[i], 1e-18L) << kMedhurstLD[i];
    for (std::size_t i = 0; i + 1 < kMedhurstPoints; ++i) {
        const long double lo = std::min(kMedhurstH[i], kMedhurstH[i + 1]), hi = std::max(kMedhurstH[i], kMedhurstH[i + 1]);
        for (int j = 1; j < 10; ++j) {
            const long double h = medhurst_h(kMedhurstLD[i] + (kMedhurstLD[i + 1] - kMedhurstLD[i]) * j / 10);
            EXPECT_TRUE(h >= lo - 1e-18L && h <= hi + 1e-18L) << kMedhurstLD[i] << " " << j;
        }
    }
    // 110 mm at ℓ/D = 4: 0.72 pF/cm × 11 cm.
    EXPECT_NEAR(solenoid_self_capacitance(0.11L, 0.44L) * 1e12L, 7.92L, 1e-12L);
    for (const long double ld : {0.05L, 60.0L}) {
        try {
            medhurst_h(ld);
            ADD_FAILURE() << ld;
        } catch (const zelvar::Error& e) {
            EXPECT_EQ(std::string(e.what()), "The length-to-diameter ratio " + std::string(ld < 1 ? "0.05" : "60") +
                                                 " is outside Medhurst's table of self-capacitance (0.1 to 50)");
        }
    }
}

TEST(TopTerminal, SphereAndToroid) {
    EXPECT_NEAR(sphere_capacitance(2) * 1e12L, 111.265L, 1e-3L);
    const long double inch = 0.0254L;
    EXPECT_NEAR(toroid_capacitance(42.5L * inch, 12 * inch) * 1e12L, 47.352L, 5e-4L);
    // The empirical formula is within 2 % there.
    const long double empirical = 2.8L * (1.2781L - 12 / 42.5L) * std::sqrt(kPi * 12 * (42.5L - 12) / 4);
    EXPECT_NEAR(empirical / (toroid_capacitance(42.5L * inch, 12 * inch) * 1e12L), 1, 0.02L);
    // A thin ring: 4π²ε0·R/ln(8R/a).
    const long double R = 1, a = 1e-4L;
    EXPECT_NEAR(toroid_capacitance(2 * (R + a), 2 * a) / (4 * kPi * kPi * kEpsilon0 * R / std::log(8 * R / a)), 1,
                1e-5L);
    // The inverse gives back the capacitance.
    for (const long double ratio : {0.1L, 0.25L, 0.45L}) {
        const long double d = toroid_outer_diameter_for(3e-12L, ratio);
        EXPECT_NEAR(toroid_capacitance(d, ratio * d) / 3e-12L, 1, 1e-15L) << ratio;
    }
    EXPECT_NEAR(sphere_capacitance(sphere_diameter_for(20e-12L)) / 20e-12L, 1, 1e-15L);
}

// Kelvin functions by their power series (an independent computation).
long double kelvin_ratio_by_series(long double x) {
    long double ber = 0, bei = 0, dber = 0, dbei = 0;
    const long double q = x / 2;
    long double fact = 1;  // j!
    for (int j = 0; j < 120; ++j) {
        if (j > 0) fact *= j;
        const long double term = std::pow(q, 2 * j) / (fact * fact), dterm = j > 0 ? term * 2 * j / x : 0;
        switch (j % 4) {
            case 0: ber += term, dber += dterm; break;
            case 1: bei += term, dbei += dterm; break;
            case 2: ber -= term, dber -= dterm; break;
            case 3: bei -= term, dbei -= dterm; break;
        }
    }
    return x / 2 * (ber * dbei - bei * dber) / (dber * dber + dbei * dbei);
}

TEST(WireLosses, SkinEffectOfRoundWire) {
    EXPECT_NEAR(skin_factor(0.001L, 1e5L), 1.4498L, 5e-5L);
    EXPECT_NEAR(skin_depth(1e5L) * 1e6L, 209, 0.5L);
    for (const long double d : {0.0001L, 0.0005L, 0.001L, 0.002L}) {
        const long double x = std::sqrt(2.0L) * (d / 2) / skin_depth(3e5L);
        EXPECT_NEAR(skin_factor(d, 3e5L), kelvin_ratio_by_series(x), 1e-13L) << d;
    }
    // Thick wire: d/(4δ) + 1/4.
    EXPECT_NEAR(skin_factor(0.02L, 1e6L) / (0.02L / (4 * skin_depth(1e6L)) + 0.25L), 1, 1e-3L);
    EXPECT_EQ(skin_factor(0.001L, 0), 1);
}

TEST(WireLosses, ProximityAndResistance) {
    // Low frequency: first-order eddy currents, πη²γ⁴/16 above 1.
    const long double d = 0.001L, p = 0.002L, f = 500;
    const long double gamma = std::sqrt(2.0L) * (d / 2) / skin_depth(f), eta = d / p;
    EXPECT_NEAR((proximity_factor(d, p, f) - 1) / (kPi * eta * eta * std::pow(gamma, 4) / 16), 1, 1e-3L);
    // Rising with frequency and with the closeness of the turns.
    EXPECT_GT(proximity_factor(d, d, 3e5L), proximity_factor(d, 2 * d, 3e5L));
    EXPECT_GT(proximity_factor(d, 2 * d, 3e5L), proximity_factor(d, 2 * d, 1e5L));
    EXPECT_NEAR(proximity_factor(d, 1000 * d, 3e5L), 1, 1e-5L);
    // 100 m of 1 mm copper: 2.1952 ohm, 0.7037 kg.
    EXPECT_NEAR(dc_resistance(0.001L, 100), 1.7241e-8L * 100 / (kPi * 0.25e-6L), 1e-15L);
    EXPECT_NEAR(copper_mass(0.001L, 100), 8960 * kPi * 0.25e-6L * 100, 1e-15L);
    EXPECT_NEAR(ac_resistance(d, p, 100, f) / dc_resistance(d, 100),
                skin_factor(d, f) * proximity_factor(d, p, f), 1e-18L);
}

}  // namespace
