// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether a run's figures at the peak of v3 describe a peak at all.  The
// maxima take the largest |v3| over the stored samples.  v3 swings at about
// the source frequency, so |v3| has a crest every half period of the source
// and its largest value lies on the crest of the largest swing.  While the
// swings still grow when the run ends (the energy still on its way to C3),
// the largest crest is the run's last one: within the last half period of
// the source before the last sample, or at the last sample itself.  The
// "peak" is then only where the run was cut, and every figure taken there
// (the share of C3, the transfer efficiency, the time of the peak) measures
// the wrong instant.  Likewise a peak at time 0 (v3 never left 0).  Every
// analysis that reports figures at the peak of v3 checks this and warns.
#include "sim/sim_params.h"
#include "sim/sim_result.h"

namespace zelvar {

inline constexpr const char* kPeakAtEndWarning = "The peak of v3 is at the end of the run: increase Max time.";

// The time of the last stored sample of a run of `p`: the sum of its
// (points − 1)·steps steps of Max time / ((points − 1)·steps), added one by
// one as the run adds them (0 for fewer than 2 points or no steps).
long double last_sample_time(const SimParams& p);

// True when the run of `p` computed every sample and |v3| peaks at time 0,
// or less than half a period of the source (1 / (2·fin)) before the last
// stored sample, or at it.
bool v3_peak_at_edge(const SimParams& p, const SimResult& result);

}  // namespace zelvar
