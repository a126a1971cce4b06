// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/maxima_report.h"

#include <cfenv>

#include "report/format.h"
#include "sim/channels.h"

namespace zelvar {

void MaximaTracker::start(long double vc10) {
    for (int j = 0; j < kStates; ++j) peak[j] = peak_time[j] = snapshot[j] = 0;
    peak[0] = vc10;
}

std::string channel_name(int j) { return kChannels[j + 1].report_name; }

namespace {

constexpr int kFaults = FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID;

// Share of the total in percent.  A zero energy of a zero total (nothing
// reached C3, so the snapshot holds zeros) has a share of 0; a nonzero energy
// over a zero total (capacitances of opposite signs) stays a division by zero.
long double share(long double e, long double total) {
    if (total == 0 && e == 0) return 0;
    return e * 100 / total;
}

// The faults raised since the last call, cleared.
int take_faults() {
    const int raised = std::fetestexcept(kFaults);
    std::feclearexcept(FE_ALL_EXCEPT);
    return raised;
}

}  // namespace

MaximaFigures maxima_figures(const MaximaTracker& m, long double C1, long double C2, long double C3) {
    std::fexcept_t saved;
    std::fegetexceptflag(&saved, FE_ALL_EXCEPT);
    std::feclearexcept(FE_ALL_EXCEPT);
    MaximaFigures f;
    for (int j = 0; j < kStates; ++j) {
        f.peak[j] = m.peak[j];
        f.peak_time[j] = m.peak_time[j];
        f.at_v3_peak[j] = m.snapshot[j];
    }
    f.energy[2] = m.snapshot[2] * m.snapshot[2] * (C3 * 0.5L);
    f.energy[1] = m.snapshot[1] * m.snapshot[1] * (C2 * 0.5L);
    f.energy[0] = m.snapshot[0] * m.snapshot[0] * (C1 * 0.5L);
    const long double total = (f.energy[0] + f.energy[1]) + f.energy[2];
    f.energy_faults = take_faults();
    for (int c = 2; c >= 0; --c) {
        f.share[c] = share(f.energy[c], total);
        f.share_faults[c] = take_faults();
    }
    std::fesetexceptflag(&saved, FE_ALL_EXCEPT);
    return f;
}

void write_maxima_report(const MaximaFigures& f, ReportSink& log) {
    report_line(log, "Maximum values:");
    for (int j = 0; j < kStates; ++j)
        report_line(log, "Max. " + channel_name(j) + ": " + F(f.peak[j], 17, 8) + " at t=" +
                             E(f.peak_time[j], 17));
    report_line(log, "When VC3 is maximum:");
    for (int j = 0; j < kStates; ++j) report_line(log, channel_name(j) + ": " + F(f.at_v3_peak[j], 17, 8));
    // Energies of C3, C2, C1, each with its share; the faults of the
    // energies come with the first line, those of a share with its line.
    const char* const names[3] = {"Energy in C1: ", "Energy in C2: ", "Energy in C3: "};
    for (int c = 2; c >= 0; --c) {
        const int faults = (c == 2 ? f.energy_faults : 0) | f.share_faults[c];
        if (faults != 0) std::feraiseexcept(faults);
        report_line(log, names[c] + E(f.energy[c], 17) + " (" + F(f.share[c], 7, 4) + " %)");
    }
}

void write_maxima_report(const MaximaTracker& m, long double C1, long double C2, long double C3,
                         ReportSink& log) {
    write_maxima_report(maxima_figures(m, C1, C2, C3), log);
}

}  // namespace zelvar
