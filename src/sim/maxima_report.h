// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Peaks of the seven channels, the snapshot of all channels where |v3| is
// largest, and the maxima and energy report.
#include <cmath>
#include <string>

#include "report/report_log.h"
#include "sim/circuit_model.h"
#include "sim/sim_result.h"

namespace zelvar {

struct MaximaTracker {
    long double peak[kStates] = {};       // signed value of largest magnitude
    long double peak_time[kStates] = {};  // time of the sample that set it
    long double snapshot[kStates] = {};   // channels of the sample that last set peak of v3

    // At the start of a run: peak of v1 = VC1(0), everything else 0.
    void start(long double vc10);

    // Channel j (0-based) of a stored sample with channel values x at time t.
    // Strictly larger magnitudes only: ties keep the earlier sample.
    void update(int j, const long double (&x)[kStates], long double t) {
        if (std::fabs(x[j]) > std::fabs(peak[j])) {
            peak[j] = x[j];
            peak_time[j] = t;
            if (j == 2)
                for (int c = 0; c < kStates; ++c) snapshot[c] = x[c];
        }
    }
};

// "V1".."V4", "I1".."I3" for channel j (0-based).
std::string channel_name(int j);

// The figures of the report: the peaks, the snapshot, and the energies of
// C1, C2 and C3 at the snapshot with their shares of the total.  A total of
// exactly zero made of zero energies gives a share of 0 for each.  Raises
// nothing: the floating-point status flags are left as they were, and the
// faults of the energies and shares are recorded in the figures.
MaximaFigures maxima_figures(const MaximaTracker& m, long double C1, long double C2, long double C3);

// The report, line for line, from the figures.  A fault recorded in them is
// raised (zelvar::Error) before the energy line it belongs to.
void write_maxima_report(const MaximaFigures& f, ReportSink& log);

// Both of the above.
void write_maxima_report(const MaximaTracker& m, long double C1, long double C2, long double C3,
                         ReportSink& log);

}  // namespace zelvar
