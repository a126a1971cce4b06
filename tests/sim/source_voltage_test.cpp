#include "sim/source_voltage.h"

#include <gtest/gtest.h>

#include <cmath>

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
    EXPECT_EQ(source_voltage(p, t, 0), detail::x87_sin((6.283185307179586477L * 300000) * t) * 200);
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

}  // namespace
}  // namespace zelvar
