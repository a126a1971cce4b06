// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "report/report_log.h"

using zelvar::E;
using zelvar::F;
using zelvar::I;

namespace {

std::string spaces(int n) { return std::string(n, ' '); }

TEST(FormatReal, FixedTableRows) {
    EXPECT_EQ(F(10, 16, 10), spaces(3) + "10.0000000000");
    EXPECT_EQ(F(-3.25L, 15, 10), spaces(2) + "-3.2500000000");
    EXPECT_EQ(F(1.5L, 8, 4), spaces(2) + "1.5000");
    EXPECT_EQ(F(123456.789L, 8, 4), "123456.7890");
    EXPECT_EQ(F(0.5L, 4, 1), spaces(1) + "0.5");
    EXPECT_EQ(F(25.3L, 15, 13), "25.3000000000000");
    EXPECT_EQ(F(1e-12L, 17, 8), spaces(7) + "0.00000000");
    EXPECT_EQ(F(1e40L, 16, 10), spaces(1) + "1.0000000E+0040");
}

TEST(FormatReal, ScientificTableRows) {
    EXPECT_EQ(E(1234.5L, 17), spaces(1) + "1.23450000E+0003");
    EXPECT_EQ(E(-1234.5L, 17), "-1.23450000E+0003");
    EXPECT_EQ(E(5e-9L, 18), spaces(1) + "5.000000000E-0009");
    EXPECT_EQ(E(1234.56L, 12), spaces(1) + "1.235E+0003");
    EXPECT_EQ(E(-0.5L, 5), "-5.0E-0001");
    EXPECT_EQ(E(0, 17), spaces(1) + "0.00000000E+0000");
}

TEST(FormatReal, RoundsHalfAwayFromZeroOnTheExpansion) {
    // The width rule gives seven characters: three spaces, then 0.13.
    EXPECT_EQ(F(0.125L, 7, 2), spaces(3) + "0.13");
    EXPECT_EQ(F(2.5L, 4, 0), spaces(3) + "3");
    EXPECT_EQ(F(12.5L, 0, 0), "13");
    EXPECT_EQ(F(0.999L, 7, 2), spaces(3) + "1.00");
    EXPECT_EQ(F(9.9996L, 7, 3), spaces(1) + "10.000");
    EXPECT_EQ(E(99999.99999L, 5), spaces(1) + "1.0E+0005");
    EXPECT_EQ(E(12, 18), spaces(1) + "1.200000000E+0001");
    EXPECT_EQ(E(9.9999999999L, 18), spaces(1) + "1.000000000E+0001");
    // 0.1 is not exact in binary; the 18-digit expansion is exactly 0.1000...
    EXPECT_EQ(F(0.15L, 3, 1), "0.2");
    EXPECT_EQ(F(-2.5L, 0, 0), "-3");
}

TEST(FormatReal, SignComesFromTheSignBit) {
    EXPECT_EQ(F(-0.001L, 8, 2), spaces(3) + "-0.00");
    EXPECT_EQ(F(-0.0L, 5, 1), spaces(1) + "-0.0");
    EXPECT_EQ(E(-0.0L, 10), "-0.0E+0000");
}

TEST(FormatReal, WidthRules) {
    for (int w = -3; w <= 10; ++w) EXPECT_EQ(E(3.14159L, w).size(), 10u) << w;
    EXPECT_EQ(E(3.14159L, 26), " 3.14159000000000000E+0000");
    EXPECT_EQ(E(1.0L / 3, 30), spaces(4) + " 3.33333333333333333E-0001");
    EXPECT_EQ(F(1, 300, 0).size(), 255u);
    EXPECT_EQ(F(1, -5, 0), "1");
    EXPECT_EQ(F(7, 3, 0).find('.'), std::string::npos);
    EXPECT_EQ(F(1, 0, 300).size(), 2u + 216u);
}

TEST(FormatReal, EighteenSignificantDigitsAtEveryMagnitude) {
    // 18 significant digits, then zeros, in both notations and however
    // small the number: a small number keeps all its 18 digits.
    EXPECT_EQ(F(100.0L / 3, 0, 20), "33.33333333333333330000");
    EXPECT_EQ(F(1e20L / 3, 0, 1), "33333333333333333300.0");
    EXPECT_EQ(F(10.0L / 3, 0, 20), "3.33333333333333333000");
    EXPECT_EQ(F(1.0L / 3, 0, 20), "0.33333333333333333300");
    EXPECT_EQ(F(1.0L / 300, 0, 22), "0.0033333333333333333300");
    EXPECT_EQ(F(1e-20L, 0, 22), "0.0000000000000000000100");
    EXPECT_EQ(F(-6e-18L, 0, 17), "-0.00000000000000001");
    EXPECT_EQ(F(4e-18L, 0, 17), "0.00000000000000000");
    // The shown digits are rounded on that expansion: 0.04499999999999999995
    // is 0.0449999999999999999 at 18 significant digits, so it shows 0.04.
    EXPECT_EQ(F(0xb.851eb851eb851dcp-8L, 0, 2), "0.04");
    // A carry of the 18-digit rounding reaches the integer part.
    EXPECT_EQ(F(std::nextafter(10.0L, 0.0L), 0, 1), "10.0");
    EXPECT_EQ(F(std::nextafter(10.0L, 0.0L), 0, 18), "10.000000000000000000");
    EXPECT_EQ(E(std::nextafter(10.0L, 0.0L), 26), " 1.00000000000000000E+0001");
    EXPECT_EQ(E(4.1108058608058608e-11L, 23), " 4.11080586080586E-0011");
    EXPECT_EQ(E(1.0L / 3 * 1e-30L, 26), " 3.33333333333333333E-0031");
    EXPECT_EQ(E(1e-20L, 18), " 1.000000000E-0020");
}

TEST(FormatReal, HugeNumbersInFixedNotation) {
    // Below 1E36 the integer part is written out, zeros after 18 digits.
    EXPECT_EQ(F(123456789012345678901234567890.0L, 0, 2), "123456789012345679000000000000.00");
    EXPECT_EQ(F(-9.87654321e35L, 0, 0), "-987654321000000000000000000000000000");
    // From 1E36 on (and for the largest numbers) the scientific notation at
    // the same width.
    EXPECT_EQ(F(1e36L, 0, 3), " 1.0E+0036");
    EXPECT_EQ(F(-2.5e300L, 20, 5), "-2.50000000000E+0300");
    EXPECT_EQ(F(2.5e300L, 29, 5), spaces(3) + " 2.50000000000000000E+0300");
    EXPECT_EQ(F(std::numeric_limits<long double>::max(), 26, 0), " 1.18973149535723177E+4932");
}

TEST(FormatReal, DecimalsAndWidthExtremes) {
    // More than 216 decimals count as 216; a width above 255 as 255.
    const std::string d216 = F(0.5L, 0, 216);
    EXPECT_EQ(d216, "0.5" + std::string(215, '0'));
    EXPECT_EQ(F(0.5L, 0, 100000), d216);
    EXPECT_EQ(F(0.5L, 1000, 2), std::string(251, ' ') + "0.50");
    EXPECT_EQ(F(0.5L, -1000, 2), "0.50");
    EXPECT_EQ(F(-1e35L, 300, 216).size(), 255u);
    EXPECT_EQ(F(-1e35L, 0, 216).size(), 1u + 36u + 1u + 216u);
    EXPECT_EQ(E(2, 1000), std::string(229, ' ') + " 2.00000000000000000E+0000");
    EXPECT_EQ(E(2, -1000), " 2.0E+0000");
    EXPECT_EQ(F(std::nanl(""), -4, 3), "Nan");
    EXPECT_EQ(F(std::nanl(""), 1000, 3).size(), 255u);
    EXPECT_EQ(E(-std::numeric_limits<long double>::infinity(), 0), "-Inf");
    // Subnormal numbers.
    EXPECT_EQ(F(std::numeric_limits<long double>::denorm_min(), 0, 3), "0.000");
    EXPECT_EQ(F(-std::numeric_limits<long double>::denorm_min(), 0, 3), "-0.000");
}

TEST(FormatReal, NotNumbers) {
    const long double inf = std::numeric_limits<long double>::infinity();
    EXPECT_EQ(F(std::nanl(""), 6, 2), spaces(3) + "Nan");
    EXPECT_EQ(F(inf, 6, 2), spaces(2) + "+Inf");
    EXPECT_EQ(E(-inf, 6), spaces(2) + "-Inf");
}

TEST(FormatReal, LargestExponentsUseFourDigits) {
    EXPECT_EQ(E(std::numeric_limits<long double>::max(), 12), " 1.190E+4932");
    EXPECT_EQ(E(std::numeric_limits<long double>::denorm_min(), 12), " 3.645E-4951");
}

TEST(FormatInt, PlainDecimal) {
    EXPECT_EQ(I(0), "0");
    EXPECT_EQ(I(-2147483647 - 1), "-2147483648");
    EXPECT_EQ(I(2147483647), "2147483647");
    EXPECT_EQ(I(42), "42");
}

TEST(ReportLine, CutsToTheFirst255Characters) {
    zelvar::LineCollector log;
    zelvar::report_line(log, std::string(300, 'x') + "tail");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], std::string(255, 'x'));
    zelvar::report_line(log, std::string("L[1]: ") + zelvar::kMicro + "H");
    EXPECT_EQ(log.lines[1].size(), 8u);
}

TEST(ReportLine, Latin1MicroSignToUtf8) {
    EXPECT_EQ(zelvar::latin1_to_utf8(std::string(" ") + zelvar::kMicro + "H"), " \xC2\xB5H");
}

}  // namespace
