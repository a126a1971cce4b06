// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The winding sheet as the text a builder reads: one figure a line, a label
// and its value with its unit, lengths of the geometry in millimetres, wire
// lengths in metres, the other figures to six significant digits with an SI
// prefix.  UTF-8 (µ, Ω, −), each line ended by a line feed.
#include <string>

#include "coil/windings.h"

namespace zelvar::coil {

// "6.54545 mH", "41.1081 pF", "25.0000 Ω", "319.495 kHz", "0.299936": six
// significant digits, the prefix that puts 1 to 999.999 before it (none
// beyond p … G); the minus sign U+2212.
std::string si_text(long double x, const std::string& unit);

std::string winding_sheet_text(const WindingSheet& sheet);

}  // namespace zelvar::coil
