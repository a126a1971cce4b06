// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/source_voltage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "app/faults.h"

namespace zelvar {
namespace {

TEST(SourceVoltage, Sine) {
    SimParams p;
    EXPECT_EQ(source_voltage(p, 0, 0), 0);
    EXPECT_FALSE(std::signbit(source_voltage(p, 0, 0)));
    EXPECT_NEAR(static_cast<double>(source_voltage(p, 1 / (4 * 300000.0L), 0)), 200.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(source_voltage(p, 1e-6L, 0)), 200 * std::sin(2 * M_PI * 0.3), 1e-12);
    EXPECT_EQ(source_voltage(p, 1e-6L, 5), source_voltage(p, 1e-6L, -5));  // no feedback
    // The argument is (2π·fin)·t with 2π as stated, the product formed first.
    const long double t = 1.2345678e-6L;
    EXPECT_EQ(source_voltage(p, t, 0), rounded_sin((6.283185307179586477L * 300000) * t) * 200);
    // The processor's sine inside its range, the library's beyond it.
    for (const long double x : {0.5L, 3.0L, 1000.25L, 3e8L})
        EXPECT_NEAR(static_cast<double>(detail::x87_sin(x)), static_cast<double>(std::sin(x)),
                    1e-19 + 2e-20 * static_cast<double>(x));
    EXPECT_EQ(detail::x87_sin(0x1p70L), std::sin(0x1p70L));
    EXPECT_EQ(detail::x87_sin(-0x1p63L), std::sin(-0x1p63L));
}

TEST(SourceVoltage, SquareWave) {
    SimParams p;
    p.square = true;
    EXPECT_EQ(source_voltage(p, 0, 0), 200);       // y = -0.5 goes to 0
    EXPECT_EQ(source_voltage(p, 1e-6L, 0), 200);   // y = 0.1
    EXPECT_EQ(source_voltage(p, 2e-6L, 0), -200);  // y = 0.7
    EXPECT_EQ(source_voltage(p, 4e-6L, 0), 200);   // y = 1.9
    // Exact half-integers go to the even integer: always +Vin.
    p.fin = 0.5L;  // y = t - 0.5
    for (long double t : {1.0L, 2.0L, 3.0L, 4.0L, 7.0L}) EXPECT_EQ(source_voltage(p, t, 0), 200) << (double)t;
    EXPECT_EQ(source_voltage(p, 1.5L, 0), -200);  // y = 1
    EXPECT_EQ(source_voltage(p, 2.5L, 0), 200);   // y = 2
    EXPECT_EQ(source_voltage(p, 3.5L, 0), -200);  // y = 3
}

// The parity test of the square wave equals round_even followed by the
// remainder by 2, on ties, near ties, negatives and the far ends of the range.
TEST(SourceVoltage, NearestIntegerParityEqualsRoundingToEven) {
    const auto reference = [](long double y) { return std::fmod(round_even(y), 2.0L) == 0; };
    std::vector<long double> ys;
    for (int k = -4000; k <= 4000; ++k) {
        const long double y = k / 4.0L;
        ys.insert(ys.end(), {y, std::nextafter(y, 1e30L), std::nextafter(y, -1e30L)});
    }
    for (const long double big : {0x1p62L, 0x1p63L, 0x1p64L, 0x1p65L, 1e30L}) {
        for (const long double d : {-3.0L, -1.5L, -1.0L, -0.5L, 0.0L, 0.5L, 1.0L, 1.5L, 3.0L}) {
            ys.push_back(big + d);
            ys.push_back(-(big + d));
        }
        ys.push_back(std::nextafter(big, 0.0L));
        ys.push_back(std::nextafter(big, 0.0L) - 0.5L);
    }
    ys.push_back(0x1p63L - 0.5L);  // rounds up to 2^63
    ys.push_back(0x1p63L - 1.5L);
    ys.push_back(-0.0L);
    ys.push_back(1e-4000L);
    fp_clear();
    for (const long double y : ys) EXPECT_EQ(detail::nearest_integer_is_even(y), reference(y)) << static_cast<double>(y);
    EXPECT_NO_THROW(fp_check());
    EXPECT_FALSE(detail::nearest_integer_is_even(std::numeric_limits<long double>::infinity()));
    EXPECT_FALSE(detail::nearest_integer_is_even(std::nanl("")));
}

TEST(SourceVoltage, FeedbackAfterItsStartTime) {
    SimParams p;
    p.feedback = true;
    p.tstart = 1e-6L;
    EXPECT_EQ(source_voltage(p, 1e-6L, 3), source_voltage(SimParams{}, 1e-6L, 0));  // t = tstart: the wave
    EXPECT_EQ(source_voltage(p, 2e-6L, 0), -200);  // no current yet: -Vin
    EXPECT_EQ(source_voltage(p, 2e-6L, 1e-30L), 200);
    EXPECT_EQ(source_voltage(p, 2e-6L, -1), -200);
    p.square = true;
    EXPECT_EQ(source_voltage(p, 2e-6L, 0), -200);
    EXPECT_EQ(source_voltage(p, 5e-7L, -1), 200);  // before tstart: the square wave
}

TEST(SourceVoltage, StoppedDriver) {
    SimParams p;
    p.tstop = 1e-6L;
    p.feedback = true;  // ignored once stopped
    p.stop_mode = kOpenDriver;
    EXPECT_EQ(source_voltage(p, 1e-6L, 2), -20000);  // t = tstop counts as stopped; no limit
    EXPECT_EQ(source_voltage(p, 5e-6L, -0.001L), (-10000.0L) * -0.001L);
    p.stop_mode = kShortDriver;
    EXPECT_EQ(source_voltage(p, 1e-6L, 2), 0);
    p.stop_mode = kDiodeDriver;
    EXPECT_EQ(source_voltage(p, 1e-6L, 2), -200);
    EXPECT_EQ(source_voltage(p, 1e-6L, -2), 200);
    EXPECT_EQ(source_voltage(p, 1e-6L, 0.015L), (-10000.0L) * 0.015L);
    EXPECT_EQ(source_voltage(p, 1e-6L, 0.02L), -200);
    p.tstop = 0;
    EXPECT_EQ(source_voltage(p, 0, 0), 0);  // stopped from the start
}

// The run forms the source ahead of the steps exactly where
// source_needs_current says the current does not count: it must agree with
// source_voltage in every mode.
TEST(SourceVoltage, NeedsTheCurrentExactlyWhereItDependsOnIt) {
    struct Case {
        const char* name;
        bool square, feedback;
        int stop_mode;
        long double t;
    };
    const Case cases[] = {
        {"sine", false, false, kOpenDriver, 5e-7L},
        {"square", true, false, kOpenDriver, 5e-7L},
        {"feedback before its start", false, true, kOpenDriver, 1e-6L},
        {"feedback", false, true, kOpenDriver, 1.5e-6L},
        {"stopped, open", false, false, kOpenDriver, 2e-6L},
        {"stopped, shorted", false, true, kShortDriver, 2e-6L},
        {"stopped, diodes", true, false, kDiodeDriver, 2e-6L},
    };
    for (const Case& c : cases) {
        SimParams p;
        p.tstart = 1e-6L;
        p.tstop = 2e-6L;
        p.square = c.square;
        p.feedback = c.feedback;
        p.stop_mode = c.stop_mode;
        const bool depends = source_voltage(p, c.t, 0.01L) != source_voltage(p, c.t, -0.01L);
        EXPECT_EQ(source_needs_current(p, c.t), depends) << c.name;
    }
}

}  // namespace
}  // namespace zelvar
