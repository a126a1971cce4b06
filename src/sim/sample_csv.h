// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sample store as comma-separated text: a header line
// "t,vin,v1,v2,v3,vl,i1,i2,i3", then one line per sample, each value with 21
// significant digits (enough to read back the same 80-bit value).
#include <ostream>
#include <string>

#include "sim/sim_result.h"

namespace zelvar {

// One value as written in the file, e.g. "1.50000000000000000000e-05";
// independent of the C locale.
std::string csv_real(long double x);

void write_sample_csv(std::ostream& out, const SampleStore& store);

// Writes the file atomically (app/atomic_file.h); a file that cannot be
// written raises zelvar::Error naming it and the system's reason.
void write_sample_csv_file(const std::string& path, const SampleStore& store);

}  // namespace zelvar
