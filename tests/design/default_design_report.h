// SPDX-License-Identifier: GPL-3.0-or-later
// The report and the value file of the default design (5:7:9:11, excitation
// at m*w0, C1 5E-9, C3 1E-11, L3 0.03), shared by the engine, command-line
// and window tests.
#pragma once

#include <string>
#include <vector>

namespace zelvar::testdata {

// The report lines in Latin-1, as the report sink receives them: the micro
// sign is the single byte 0xB5 (QString::fromLatin1 or latin1_to_utf8 turn
// them into what the log or standard output shows).
inline std::vector<std::string> default_design_report() {
    const std::string mu = "\xB5";
    return {
        "Residues:",
        "Aj[1]=0.0520833333333 ( 5.0)",
        "Aj[2]=0.6805555555556 ( 7.0)",
        "Aj[3]=0.2673611111111 (11.0)",
        "Excitation at  9.0 rad/s; Sum=1.0000000000000",
        "Impedance:",
        "Normalized denominator:",
        "a[0]: 148225.00",
        "a[2]:  10179.00",
        "a[4]:    195.00",
        "a[6]:      1.00",
        "Normalized numerator:",
        "a[1]:   2695.00",
        "a[3]:    128.00",
        "a[5]:      1.00",
        "Normalized element values (ladder transformerless circuit):",
        "C[3]:    1.000000000 F",
        "L[3]:    0.014925373 H",
        "C[2]:    4.110805861 F",
        "L[2]:    0.002963489 H",
        "C[1]:  126.654620404 F",
        "L[1]:    0.000292956 H",
        "Final element values:",
        "C[3]:     10.000000000 pF ( 1.000000000E-0011 F)",
        "L[3]:  30000.000000000 " + mu + "H ( 3.000000000E-0002 H)",
        "C[2]:     41.108058608 pF ( 4.110805861E-0011 F)",
        "L[2]:   6545.454545455 " + mu + "H ( 6.545454545E-0003 H)",
        "C[1]:   5000.000000000 pF ( 5.000000000E-0009 F)",
        "L[1]:    149.158861917 " + mu + "H ( 1.491588619E-0004 H)",
        "k12:    0.299936354",
        "Turns ratio of the ideal transformer inserted:    3.947743860",
        "Excitation frequency: 319495.401967657 Hz",
        "(2007448.815354617 rad/s)",
        "Resonances: ",
        "f1: 177497.445537587 Hz",
        "f2: 248496.423752622 Hz",
        "f3: 390494.380182692 Hz",
        "Energy transfer time:    7.042354870 us",
        "Values saved in file zelvar.val",
    };
}

// The bytes of "zelvar.val" after the default design.
inline std::string default_value_file() {
    return "C1  5.00000000000000E-0009\r\n"
           "L1  1.49158861917303E-0004\r\n"
           "C2  4.11080586080586E-0011\r\n"
           "L2  6.54545454545455E-0003\r\n"
           "C3  1.00000000000000E-0011\r\n"
           "L3  3.00000000000000E-0002\r\n"
           "k12  2.99936354214884E-0001\r\n"
           "fin  3.19495401967657E+0005\r\n";
}

}  // namespace zelvar::testdata
