// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/numeric_text.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/faults.h"

using zelvar::Error;
using zelvar::parse_int;
using zelvar::parse_real;
using zelvar::real_display_text;

namespace {

std::string refusal(const std::string& text, bool integer = false) {
    try {
        if (integer)
            parse_int(text);
        else
            parse_real(text);
    } catch (const Error& e) {
        return e.what();
    }
    return "accepted";
}

TEST(ParseReal, AcceptedForms) {
    EXPECT_EQ(parse_real("5E-9"), 5e-9L);
    EXPECT_EQ(parse_real("1.5e-11"), 1.5e-11L);
    EXPECT_EQ(parse_real("-0.9"), -0.9L);
    EXPECT_EQ(parse_real(".5"), 0.5L);
    EXPECT_EQ(parse_real("5."), 5.0L);
    EXPECT_EQ(parse_real("."), 0.0L);
    EXPECT_EQ(parse_real("E3"), 0.0L);
    EXPECT_EQ(parse_real("+7"), 7.0L);
    EXPECT_EQ(parse_real("   12"), 12.0L);
    EXPECT_EQ(parse_real("1e+2"), 100.0L);
    EXPECT_EQ(parse_real("0.674199862463242"), 0.674199862463242L);
    EXPECT_TRUE(std::signbit(parse_real("-0")));
}

TEST(ParseReal, RefusedTextsNameTheText) {
    EXPECT_EQ(refusal("1,5"), "1,5 is not a valid number");
    EXPECT_EQ(refusal("12 "), "12  is not a valid number");
    EXPECT_EQ(refusal(""), " is not a valid number");
    EXPECT_EQ(refusal("   "), "    is not a valid number");
    EXPECT_EQ(refusal("-"), "- is not a valid number");
    EXPECT_EQ(refusal("1e"), "1e is not a valid number");
    EXPECT_EQ(refusal("1e+"), "1e+ is not a valid number");
    EXPECT_EQ(refusal("\t1"), "\t1 is not a valid number");
    EXPECT_EQ(refusal("1.2.3"), "1.2.3 is not a valid number");
    EXPECT_EQ(refusal("--1"), "--1 is not a valid number");
    EXPECT_EQ(refusal("0x10"), "0x10 is not a valid number");
}

TEST(ParseReal, BeyondTheRangeIsAnOverflow) {
    EXPECT_EQ(refusal("1.2E4932"), "Floating point overflow");
    EXPECT_EQ(refusal("-1e99999"), "Floating point overflow");
    EXPECT_EQ(parse_real("1e-99999"), 0.0L);
    EXPECT_GT(parse_real("1e-4940"), 0.0L);  // reduced precision, not an error
}

TEST(ParseReal, LeavesNoFloatingPointFaultPending) {
    // A refused overflow must not make the next operation's fault check fail.
    zelvar::fp_clear();
    EXPECT_EQ(refusal("1e5000"), "Floating point overflow");
    EXPECT_EQ(refusal("1.2E4932"), "Floating point overflow");
    EXPECT_EQ(parse_real("1e-5000"), 0.0L);
    EXPECT_NO_THROW(zelvar::fp_check());
    // A fault already pending stays pending.
    volatile long double zero = 0;
    volatile long double r = 1 / zero;
    (void)r;
    EXPECT_EQ(refusal("1e5000"), "Floating point overflow");
    try {
        zelvar::fp_check();
        ADD_FAILURE() << "the pending division by zero was lost";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), zelvar::kDivisionByZero);
    }
}

TEST(ParseInt, DecimalAndHexadecimal) {
    EXPECT_EQ(parse_int("$10"), 16);
    EXPECT_EQ(parse_int("x1f"), 31);
    EXPECT_EQ(parse_int("X1F"), 31);
    EXPECT_EQ(parse_int("0x10"), 16);
    EXPECT_EQ(parse_int("0X10"), 16);
    EXPECT_EQ(parse_int("$FFFFFFFF"), -1);
    EXPECT_EQ(parse_int("-$FFFFFFFF"), 1);
    EXPECT_EQ(parse_int("$000000000010"), 16);
    EXPECT_EQ(parse_int("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(parse_int("2147483647"), 2147483647);
    EXPECT_EQ(parse_int("  +600"), 600);
    EXPECT_EQ(parse_int("0"), 0);
}

TEST(ParseInt, RefusedTexts) {
    EXPECT_EQ(refusal("2147483648", true), "2147483648 is not a valid number");
    EXPECT_EQ(refusal("-2147483649", true), "-2147483649 is not a valid number");
    EXPECT_EQ(refusal("3.7", true), "3.7 is not a valid number");
    EXPECT_EQ(refusal("$", true), "$ is not a valid number");
    EXPECT_EQ(refusal("0x", true), "0x is not a valid number");
    EXPECT_EQ(refusal("$100000000", true), "$100000000 is not a valid number");
    EXPECT_EQ(refusal("", true), " is not a valid number");
    EXPECT_EQ(refusal("-", true), "- is not a valid number");
    EXPECT_EQ(refusal("10 ", true), "10  is not a valid number");
    EXPECT_EQ(refusal("$1G", true), "$1G is not a valid number");
}

TEST(RealDisplayText, PlainAndScientific) {
    EXPECT_EQ(real_display_text(0.0282L), "0.0282");
    EXPECT_EQ(real_display_text(1.551E-4L), "0.0001551");
    EXPECT_EQ(real_display_text(5E-5L), "5E-5");
    EXPECT_EQ(real_display_text(2E15L), "2E15");
    EXPECT_EQ(real_display_text(123456789012345678.0L), "1.23456789012346E17");
    EXPECT_EQ(real_display_text(0.67419986246324208L), "0.674199862463242");
    EXPECT_EQ(real_display_text(5000), "5000");
    EXPECT_EQ(real_display_text(0.0001L), "0.0001");
    EXPECT_EQ(real_display_text(0), "0");
    EXPECT_EQ(real_display_text(5E-9L), "5E-9");
    EXPECT_EQ(real_display_text(1.5E-11L), "1.5E-11");
    EXPECT_EQ(real_display_text(9E-5L), "9E-5");
    EXPECT_EQ(real_display_text(1E15L), "1E15");
    EXPECT_EQ(real_display_text(-0.9L), "-0.9");
    EXPECT_EQ(real_display_text(999999999999999.9L), "1E15");
    EXPECT_EQ(real_display_text(4.1108058608058608e-11L), "4.11080586080586E-11");
    EXPECT_EQ(real_display_text(1.5e-5L), "1.5E-5");
    EXPECT_EQ(real_display_text(220000), "220000");
}

TEST(RealDisplayText, TheBoundariesAreJudgedAfterRounding) {
    EXPECT_EQ(real_display_text(0.00009999999999999999L), "0.0001");
    EXPECT_EQ(real_display_text(9.99999999999994e-5L), "9.99999999999994E-5");
    EXPECT_EQ(real_display_text(-9.99999999999994e-5L), "-9.99999999999994E-5");
    EXPECT_EQ(real_display_text(999999999999999.4L), "999999999999999");
    EXPECT_EQ(real_display_text(-999999999999999.5L), "-1E15");
    EXPECT_EQ(real_display_text(123456.7890123456789L), "123456.789012346");
    EXPECT_EQ(real_display_text(-5e-9L), "-5E-9");
    EXPECT_EQ(real_display_text(1.5e300L), "1.5E300");
    EXPECT_EQ(real_display_text(1e-300L), "1E-300");
    EXPECT_EQ(real_display_text(0.25L), "0.25");
    // Rounded half away from zero at the 15th digit: 0.1000000000000005 is
    // exactly 0.100000000000000500 in 18 digits.
    EXPECT_EQ(real_display_text(0.1000000000000005L), "0.100000000000001");
}

TEST(RealDisplayText, ReadsBackThroughTheParser) {
    // Leaving a field parses its 15-digit text.
    EXPECT_EQ(parse_real(real_display_text(0.67419986246324208L)), 0.674199862463242L);
}

TEST(IntDisplayText, PlainDecimal) {
    EXPECT_EQ(zelvar::int_display_text(-5), "-5");
    EXPECT_EQ(zelvar::int_display_text(600), "600");
}

}  // namespace
