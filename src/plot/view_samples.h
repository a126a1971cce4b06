// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The stored samples that a view's time window holds, for the waveform
// window's CSV file.
#include "sim/sim_result.h"

namespace zelvar {

// The samples with t0 ≤ time ≤ t1, in order, and the run's last sample when
// the window reaches the run's end (t1 ≥ run_end, the run's Max time): the
// time of that sample is the sum of all the steps and may lie a few units
// of the last place beyond Max time, yet it is the run's last sample and
// belongs to the view of the whole run.  A run_end of 0 (no run) adds
// nothing.
SampleStore samples_in_view(const SampleStore& samples, long double t0, long double t1, long double run_end);

}  // namespace zelvar
