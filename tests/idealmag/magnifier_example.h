// SPDX-License-Identifier: GPL-3.0-or-later
// The worked example of the ideal magnifier (1:2:3, C1 5E-9, L3 0.0282,
// C3 1.5E-11), shared by the engine, command-line and window tests.
#pragma once

#include <string>
#include <vector>

namespace zelvar::testdata {

// The report lines in Latin-1, as the report sink receives them: the micro
// sign is the single byte 0xB5 (QString::fromLatin1 or latin1_to_utf8 turn
// them into what the log or standard output shows).
inline std::vector<std::string> magnifier_worked_example() {
    const std::string mu = "\xB5";
    return {
        "Ideal Tesla magnifier:",
        "Energy transfer from C1 to C3",
        "C1=    5.0000000000 nF",
        "L1=  155.1000000000 " + mu + "H",
        "C2=   32.0000000000 pF",
        "L2=   23.5000000000 mH",
        "C3=   15.0000000000 pF",
        "L3=   28.2000000000 mH",
        "k12=     0.6741998625",
        "w0=   768.7760066907 krad/s",
        "Resonances: 122.3545, 244.7090, 367.0635 kHz",
        "Energy transfer time:     4.0864863448 " + mu + "s ( 1.0 cycles)",
    };
}

}  // namespace zelvar::testdata
