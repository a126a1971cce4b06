// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The winding sheet and a coil's analysis as report lines (Latin-1, the
// micro sign 0xB5), and both as JSON text: every figure in SI units with 21
// significant digits, enough for an 80-bit real to read back unchanged.
#include <string>
#include <vector>

#include "coil/windings.h"

namespace zelvar::coil {

std::vector<std::string> winding_sheet_lines(const WindingSheet& sheet);

// One coil's analysis at frequency f.
std::vector<std::string> coil_analysis_lines(const CoilFigures& coil, long double f);

// Keys: secondary, extra, primary (turns, diameter, pitch, wire, length,
// inductance, self_capacitance, wire_length, copper_mass, r_dc, r_ac, q; the
// primary also shape, offset), coupling (k12, mutual), c2_external,
// c3_topload, topload (kind, outer_diameter, tube_diameter, capacitance),
// losses (R1, R2, R3), and frequency.
std::string winding_sheet_json(const WindingSheet& sheet);

// The keys of one coil above, plus frequency and resonance.
std::string coil_json(const CoilFigures& coil, long double f);

// 21 significant digits, always with a full stop as the decimal point.
std::string json_real(long double x);

}  // namespace zelvar::coil
