// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the value file that a network design writes ("zelvar.val"): eight
// lines "key, blanks, number" for C1, L1, C2, L2, C3, L3, k12 and fin.
#include <string>

#include "sim/sim_params.h"

namespace zelvar {

// Sets C1, L1, C2, L2, C3, L3, k12 and fin of params from the file.  Keys
// may come in any order, each once; blank lines are skipped; numbers follow
// the numeric fields' rules.  A file that cannot be read, an unknown or
// repeated key, a line without a number, or a missing key raises
// zelvar::Error naming the file (and the line).
void read_value_file(const std::string& path, SimParams& params);

}  // namespace zelvar
