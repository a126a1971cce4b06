// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// `zelvar-cli windings` (the winding sheet of a design) and `zelvar-cli
// coil` (the analysis of one wound coil).
#include <ostream>
#include <string>
#include <vector>

namespace zelvar {

// args are the options after the command name; returns the exit status.
int windings_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int coil_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zelvar
