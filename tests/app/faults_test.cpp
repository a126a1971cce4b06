// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/faults.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace zelvar;

namespace {

std::string fault_of(void (*f)()) {
    fp_clear();
    try {
        f();
        fp_check();
    } catch (const Error& e) {
        return e.what();
    }
    return "none";
}

volatile long double zero = 0, one = 1, big = std::numeric_limits<long double>::max(), tiny = 1e-4000L;

TEST(Faults, EachFloatingPointFaultHasItsMessage) {
    EXPECT_EQ(fault_of([] { volatile long double r = one / zero; (void)r; }), kDivisionByZero);
    EXPECT_EQ(fault_of([] { volatile long double r = zero / zero; (void)r; }), kInvalidOperation);
    EXPECT_EQ(fault_of([] { volatile long double r = std::sqrt(-one); (void)r; }), kInvalidOperation);
    EXPECT_EQ(fault_of([] { volatile long double r = big * 2; (void)r; }), kOverflow);
    EXPECT_EQ(fault_of([] { volatile long double r = tiny * tiny; (void)r; }), "none");
    EXPECT_EQ(fault_of([] { volatile long double r = one / 3; (void)r; }), "none");
}

TEST(Faults, TheFirstFaultIsReported) {
    // An overflow that later turns into an invalid operation reports the overflow.
    EXPECT_EQ(fault_of([] { volatile long double a = big * 2; volatile long double r = a - a; (void)r; }), kOverflow);
    EXPECT_EQ(fault_of([] { volatile long double a = one / zero; volatile long double r = a * zero; (void)r; }),
              kDivisionByZero);
}

TEST(Faults, CheckClearsAndClearForgets) {
    volatile long double r = one / zero;
    (void)r;
    fp_clear();
    EXPECT_NO_THROW(fp_check());
    r = one / zero;
    EXPECT_THROW(fp_check(), Error);
    EXPECT_NO_THROW(fp_check());
}

TEST(Faults, CheckedIntegers) {
    EXPECT_EQ(imul(46340, 46340), 2147395600);
    EXPECT_THROW(imul(46341, 46341), Error);
    EXPECT_EQ(iadd(2147483646, 1), 2147483647);
    EXPECT_THROW(iadd(2147483647, 1), Error);
    EXPECT_THROW(isub(-2147483647 - 1, 1), Error);
    try {
        imul(65536, 65536);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), kIntegerOverflow);
    }
}

TEST(Faults, RoundingToIntegers) {
    EXPECT_EQ(round_int(2.5L), 2);
    EXPECT_EQ(round_int(3.5L), 4);
    EXPECT_EQ(round_int(-2.5L), -2);
    EXPECT_EQ(round_int(0.4L), 0);
    EXPECT_EQ(round_int(441.33L), 441);
    EXPECT_EQ(round_int(2147483647.4L), 2147483647);
    EXPECT_EQ(round_int(-2147483648.5L), -2147483647 - 1);
    try {
        round_int(2147483647.5L);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), kRangeCheck);
    }
    try {
        round_int(std::nanl(""));
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), kInvalidOperation);
    }
}

TEST(Faults, ErrorBoxFullStopRule) {
    EXPECT_EQ(error_box_text("Integer overflow"), "Integer overflow.");
    EXPECT_EQ(error_box_text("1,5 is not a valid number"), "1,5 is not a valid number.");
    EXPECT_EQ(error_box_text("Done."), "Done.");
    EXPECT_EQ(error_box_text("I/O error (x)"), "I/O error (x)");
    EXPECT_EQ(error_box_text("I/O error 7"), "I/O error 7.");
    EXPECT_EQ(error_box_text(""), "");
    EXPECT_EQ(error_box_text("ends with -"), "ends with -");
}

}  // namespace
