// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// `zelvar-cli tolerance`: the tolerance and sensitivity analysis.
#include <ostream>
#include <string>
#include <vector>

namespace zelvar {

// args are the options after the command name; returns the exit status.
int tolerance_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zelvar
