// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line companion: `zelvar-cli design|magnifier|simulate [options]`.
#include <ostream>
#include <string>
#include <vector>

namespace zelvar {

// Exit statuses of the command line.
inline constexpr int kExitCompleted = 0;  // the run completed
inline constexpr int kExitStopped = 1;    // the program's own check stopped it
inline constexpr int kExitError = 2;      // an error (the error box's text on standard error)
inline constexpr int kExitUsage = 64;     // a usage error

// args excludes the program name.  Report lines go to out in UTF-8.
int run_cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zelvar
