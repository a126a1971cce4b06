// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Number formatting for every report line and plot label.
//
// Report text is 8-bit Latin-1; the micro sign is the single byte 0xB5.
//
//   format_real(x, W, D), D >= 0: F(x; W, D), fixed notation with D decimals
//   format_real(x, W, D), D <  0: E(x; W), scientific notation, W - 8
//                                  significant digits (2 to 18)
//   format_int(i):                I(i), plain decimal
//
// Digits come from |x| rounded to nearest at 18 significant digits; the shown
// digits are then rounded half away from zero on that expansion.  The sign is
// the sign bit of x.  The text is right-aligned to W (W above 255 counts as
// 255) and never cut.
#include <cstdint>
#include <string>

namespace zelvar {

inline constexpr char kMicro = '\xB5';  // the micro sign in report text

std::string format_real(long double x, int width, int decimals);
std::string format_int(std::int32_t i);

// Shorthands for the notations of the reports.
inline std::string F(long double x, int width, int decimals) { return format_real(x, width, decimals); }
inline std::string E(long double x, int width) { return format_real(x, width, -1); }
inline std::string I(std::int32_t i) { return format_int(i); }

// Latin-1 report text to UTF-8, for the windows and the command line.
std::string latin1_to_utf8(const std::string& latin1);

}  // namespace zelvar
