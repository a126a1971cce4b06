#include "sim/maxima_report.h"

#include "report/format.h"

namespace zelvar {

void MaximaTracker::start(long double vc10) {
    for (int j = 0; j < kStates; ++j) peak[j] = peak_time[j] = snapshot[j] = 0;
    peak[0] = vc10;
}

std::string channel_name(int j) {
    const int channel = j + 1;
    std::string name(1, channel <= 4 ? 'V' : 'I');
    name += I(channel <= 4 ? channel : channel - 4);
    return name;
}

namespace {

// Share of the total in percent.  A zero energy of a zero total (nothing
// reached C3, so the snapshot holds zeros) has a share of 0; a nonzero energy
// over a zero total (capacitances of opposite signs) stays a division by zero.
long double share(long double e, long double total) {
    if (total == 0 && e == 0) return 0;
    return e * 100 / total;
}

}  // namespace

void write_maxima_report(const MaximaTracker& m, long double C1, long double C2, long double C3,
                         ReportSink& log) {
    report_line(log, "Maximum values:");
    for (int j = 0; j < kStates; ++j)
        report_line(log, "Max. " + channel_name(j) + ": " + F(m.peak[j], 17, 8) + " at t=" +
                             E(m.peak_time[j], 17));
    report_line(log, "When VC3 is maximum:");
    for (int j = 0; j < kStates; ++j) report_line(log, channel_name(j) + ": " + F(m.snapshot[j], 17, 8));
    const long double e3 = m.snapshot[2] * m.snapshot[2] * (C3 * 0.5L);
    const long double e2 = m.snapshot[1] * m.snapshot[1] * (C2 * 0.5L);
    const long double e1 = m.snapshot[0] * m.snapshot[0] * (C1 * 0.5L);
    const long double total = (e1 + e2) + e3;
    report_line(log, "Energy in C3: " + E(e3, 17) + " (" + F(share(e3, total), 7, 4) + " %)");
    report_line(log, "Energy in C2: " + E(e2, 17) + " (" + F(share(e2, total), 7, 4) + " %)");
    report_line(log, "Energy in C1: " + E(e1, 17) + " (" + F(share(e1, total), 7, 4) + " %)");
}

}  // namespace zelvar
