// SPDX-License-Identifier: GPL-3.0-or-later
// The ideal magnifier: the worked example, the mode check, and faults after
// the header lines.
#include "idealmag/magnifier.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/faults.h"
#include "magnifier_example.h"
#include "widgets/numeric_text.h"

using namespace zelvar;

namespace {

struct Outcome {
    bool completed = false;
    std::string error;
    std::vector<std::string> lines;
    MagnifierResults results;
};

Outcome design(std::int32_t k, std::int32_t l, std::int32_t m, long double C1 = 5e-9L, long double L3 = 0.0282L,
               long double C3 = 1.5e-11L) {
    MagnifierInputs in;
    in.k = k, in.l = l, in.m = m;
    in.C1 = C1, in.L3 = L3, in.C3 = C3;
    Outcome o;
    LineCollector log;
    try {
        o.completed = design_magnifier(in, log, o.results);
    } catch (const Error& e) {
        o.error = e.what();
    }
    o.lines = log.lines;
    return o;
}

const std::vector<std::string> kHeader = {"Ideal Tesla magnifier:", "Energy transfer from C1 to C3"};

TEST(Magnifier, WorkedExample) {
    const Outcome o = design(1, 2, 3);
    ASSERT_TRUE(o.completed) << o.error;
    EXPECT_EQ(o.lines, testdata::magnifier_worked_example());
    // The seven values as the simulation parameter fields show them.
    EXPECT_EQ(real_display_text(o.results.C1), "5E-9");
    EXPECT_EQ(real_display_text(o.results.C2), "3.2E-11");
    EXPECT_EQ(real_display_text(o.results.C3), "1.5E-11");
    EXPECT_EQ(real_display_text(o.results.L1), "0.0001551");
    EXPECT_EQ(real_display_text(o.results.L2), "0.0235");
    EXPECT_EQ(real_display_text(o.results.L3), "0.0282");
    EXPECT_EQ(real_display_text(o.results.k12), "0.674199862463242");
}

TEST(Magnifier, DecreasingModePassesWithTheSameElements) {
    // 3:2:1 has differences -1 and -1; its C2, L2, L1, k12 and w0 are those
    // of 1:2:3, and the resonances come in the reverse order.
    const Outcome up = design(1, 2, 3);
    const Outcome down = design(3, 2, 1);
    ASSERT_TRUE(down.completed) << down.error;
    ASSERT_EQ(down.lines.size(), up.lines.size());
    for (std::size_t i = 0; i < up.lines.size(); ++i) {
        if (i == 10) continue;
        EXPECT_EQ(down.lines[i], up.lines[i]);
    }
    EXPECT_EQ(down.lines[10], "Resonances: 367.0635, 244.7090, 122.3545 kHz");
    EXPECT_GT(down.results.C2, 0);
    EXPECT_GT(down.results.L2, 0);
}

TEST(Magnifier, OtherModes) {
    // 1:4:5 at the default elements: C2 = C3*2*256/((16-25)*(1-16)),
    // L2 = (-9)*L3*(-15)/(2*1*1*25), cycles 4/2.
    const Outcome o = design(1, 4, 5);
    ASSERT_TRUE(o.completed) << o.error;
    EXPECT_EQ(o.lines[4], "C2=   56.8888888889 pF");
    EXPECT_EQ(o.lines[5], "L2=   76.1400000000 mH");
    EXPECT_EQ(o.lines.back().substr(o.lines.back().size() - 13), "( 2.0 cycles)");
}

TEST(Magnifier, EvenDifferenceWritesOneLine) {
    for (const auto& mode : {std::vector<int>{1, 3, 5}, {2, 4, 5}, {1, 2, 4}, {5, 3, 2}}) {
        const Outcome o = design(mode[0], mode[1], mode[2]);
        EXPECT_FALSE(o.completed);
        EXPECT_EQ(o.error, "");
        EXPECT_EQ(o.lines, std::vector<std::string>{"The multipliers must have odd differences"});
        EXPECT_EQ(o.results.C2, 0);
    }
}

TEST(Magnifier, FaultsAfterTheHeaderLines) {
    struct Case {
        const char* what;
        Outcome o;
        const char* error;
    };
    const Case cases[] = {
        {"k = 0", design(0, 1, 2), kDivisionByZero},
        {"m = 0", design(2, 1, 0), kDivisionByZero},  // differences -1 and -1
        {"C1 = 0", design(1, 2, 3, 0), kDivisionByZero},
        {"C3 = 0", design(1, 2, 3, 5e-9L, 0.0282L, 0), kDivisionByZero},
        {"negative L3*C3", design(1, 2, 3, 5e-9L, -0.0282L), kInvalidOperation},
        {"L2 + L3 = 0", design(1, 2, 3, 5e-9L, 0, 1.5e-11L), kInvalidOperation},
        {"overflow of L1", design(1, 2, 3, 1e-4000L, 0.0282L, 1e4000L), kOverflow},
        {"l*l", design(46340, 46341, 46342), kIntegerOverflow},
        {"product of the differences", design(40001, 2, 40003), kIntegerOverflow},
        {"k*k", design(46341, 2, 3), kIntegerOverflow},
        {"(2*k)*k*m*m", design(201, 200, 301), kIntegerOverflow},
        // The numerator of C2 comes before the integer products of its
        // denominator.
        {"C2 numerator before l*l", design(50001, 50002, 50003, 5e-9L, 0.0282L, 1e4932L), kOverflow},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.o.error, c.error) << c.what;
        EXPECT_EQ(c.o.lines, kHeader) << c.what;
        EXPECT_EQ(c.o.results.C2, 0) << c.what;
    }
}

TEST(Magnifier, OverflowInTheDifferencesComesBeforeAnyLine) {
    for (const Outcome& o : {design(-2147483647 - 1, 1, 2), design(-1, 2147483647, 2), design(0, 1, -2147483647 - 1)}) {
        EXPECT_EQ(o.error, kIntegerOverflow);
        EXPECT_TRUE(o.lines.empty());
    }
}

TEST(Magnifier, HandedOverL1IsLeftToRightBitForBit) {
    // L1 = ((L2 + L3) * C3) / C1.  The report shows 10 decimals, the
    // simulation receives every bit: for 1:4:5 grouping C3 / C1 first moves
    // L1 by a unit in the last place.
    const Outcome o = design(1, 4, 5);
    ASSERT_TRUE(o.completed) << o.error;
    const long double L2 = o.results.L2, L3 = 0.0282L, C3 = 1.5e-11L, C1 = 5e-9L;
    const long double left_to_right = ((L2 + L3) * C3) / C1;
    ASSERT_NE(left_to_right, (L2 + L3) * (C3 / C1));
    EXPECT_EQ(o.results.L1, left_to_right);
}

}  // namespace
