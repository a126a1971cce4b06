// SPDX-License-Identifier: GPL-3.0-or-later
// The design run: whole reports, the program's own stops, and arithmetic
// faults at the point where they happen.
#include "design/design_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../app/scratch_dir.h"
#include "app/faults.h"
#include "default_design_report.h"
#include "design/value_file.h"
#include "widgets/numeric_text.h"

using namespace zelvar;

namespace {

const std::string mu = "\xB5";

// Each test runs in its own empty directory, since a run writes zelvar.val.
class DesignRun : public ::testing::Test {
protected:
    struct Outcome {
        bool completed = false;
        std::string error;  // empty when no error was raised
        std::vector<std::string> lines;
        int hand_overs = 0;
        DesignResults results;
    };

    Outcome run(const DesignInputs& inputs) {
        struct Recorder : DesignHandOver {
            Outcome* o;
            void hand_over_to_simulation(const DesignResults& r) override {
                ++o->hand_overs;
                o->results = r;
            }
        } recorder;
        Outcome o;
        recorder.o = &o;
        LineCollector log;
        try {
            o.completed = run_design(inputs, log, &recorder);
        } catch (const Error& e) {
            o.error = e.what();
        }
        o.lines = log.lines;
        return o;
    }

    static bool value_file_exists() { return std::filesystem::exists("zelvar.val"); }
    static std::string value_file() {
        std::ifstream in("zelvar.val", std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    testdata::ScratchDir dir_{"zelvar-design"};
};

DesignInputs mode(long double k, long double l, long double m, long double n, int excitation) {
    DesignInputs in;
    in.k = k, in.l = l, in.m = m, in.n = n;
    in.excitation = excitation;
    return in;
}

bool has_line(const std::vector<std::string>& lines, const std::string& line) {
    for (const auto& l : lines)
        if (l == line) return true;
    return false;
}

const std::vector<std::string> kDefaultReport = testdata::default_design_report();
const std::string kDefaultValueFile = testdata::default_value_file();

TEST_F(DesignRun, DefaultReportValueFileAndHandOver) {
    const Outcome o = run(DesignInputs{});
    EXPECT_TRUE(o.completed);
    EXPECT_EQ(o.error, "");
    ASSERT_EQ(o.lines.size(), kDefaultReport.size());
    for (std::size_t i = 0; i < kDefaultReport.size(); ++i) EXPECT_EQ(o.lines[i], kDefaultReport[i]) << "line " << i;
    EXPECT_EQ(value_file(), kDefaultValueFile);

    // The eight values, as the simulation parameter fields show them.
    ASSERT_EQ(o.hand_overs, 1);
    EXPECT_EQ(real_display_text(o.results.C1), "5E-9");
    EXPECT_EQ(real_display_text(o.results.C2), "4.11080586080586E-11");
    EXPECT_EQ(real_display_text(o.results.C3), "1E-11");
    EXPECT_EQ(real_display_text(o.results.L1), "0.000149158861917303");
    EXPECT_EQ(real_display_text(o.results.L2), "0.00654545454545455");
    EXPECT_EQ(real_display_text(o.results.L3), "0.03");
    EXPECT_EQ(real_display_text(o.results.k12), "0.299936354214884");
    EXPECT_EQ(real_display_text(o.results.fin), "319495.401967657");
}

TEST_F(DesignRun, TwoRunsInARowKeepOnlyTheSecondDesignInTheFile) {
    struct Both : DesignHandOver {
        int calls = 0;
        void hand_over_to_simulation(const DesignResults&) override { ++calls; }
    } hand_over;
    LineCollector log;
    ASSERT_TRUE(run_design(DesignInputs{}, log, &hand_over));
    ASSERT_TRUE(run_design(mode(1, 3, 5, 7, 2), log, &hand_over));
    EXPECT_EQ(hand_over.calls, 2);
    ASSERT_EQ(log.lines.size(), 2 * kDefaultReport.size());
    for (std::size_t i = 0; i < kDefaultReport.size(); ++i) EXPECT_EQ(log.lines[i], kDefaultReport[i]);
    EXPECT_EQ(log.lines[kDefaultReport.size() + 7], "a[0]:    441.00");
    EXPECT_EQ(log.lines.back(), "Values saved in file zelvar.val");
    const std::string file = value_file();
    EXPECT_EQ(file.substr(0, 28), "C1  5.00000000000000E-0009\r\n");
    EXPECT_NE(file.find("k12  7.19337756906058E-0001\r\n"), std::string::npos) << file;
    EXPECT_EQ(file.find("2.99936354214884"), std::string::npos);
}

TEST_F(DesignRun, ExcitationAtKIsIrrealizable) {
    const Outcome o = run(mode(5, 7, 9, 11, 0));
    EXPECT_FALSE(o.completed);
    EXPECT_EQ(o.error, "");
    EXPECT_EQ(o.lines, (std::vector<std::string>{
                           "Residues:",
                           "Aj[1]=0.9187500000000 ( 7.0)",
                           "Aj[2]=-0.3037500000000 ( 9.0)",
                           "Aj[3]=0.3850000000000 (11.0)",
                           "Excitation at  5.0 rad/s; Sum=1.0000000000000",
                           "The design is irrealizable.",
                       }));
    EXPECT_EQ(o.hand_overs, 0);
    EXPECT_FALSE(value_file_exists());
}

TEST_F(DesignRun, ExcitationAtLWithoutOptionIsIrrealizable) {
    const Outcome o = run(mode(5, 7, 9, 11, 1));
    EXPECT_FALSE(o.completed);
    EXPECT_EQ(o.lines, (std::vector<std::string>{
                           "Residues:",
                           "Aj[1]=0.2008928571429 ( 5.0)",
                           "Aj[2]=0.8678571428571 ( 9.0)",
                           "Aj[3]=-0.0687500000000 (11.0)",
                           "Excitation at  7.0 rad/s; Sum=1.0000000000000",
                           "The design is irrealizable.",
                       }));
}

TEST_F(DesignRun, LeaveEnergyInC1MakesExcitationAtLRealizable) {
    DesignInputs in = mode(5, 7, 9, 11, 1);
    in.leave_c1 = true;
    in.g1 = -0.9L;
    in.g2 = 1e30L;  // the C2 factor is not used while its box is unticked
    const Outcome o = run(in);
    EXPECT_TRUE(o.completed);
    ASSERT_GE(o.lines.size(), 10u);
    const std::vector<std::string> head(o.lines.begin(), o.lines.begin() + 8);
    EXPECT_EQ(head, (std::vector<std::string>{
                        "Limits for the factor for the energy left in C1:",
                        "Factor <   -0.2357142857",
                        "Factor >   -1.7357142857",
                        "Residues:",
                        "Aj[1]=0.3883928571429 ( 5.0)",
                        "Aj[2]=0.4178571428571 ( 9.0)",
                        "Aj[3]=0.1937500000000 (11.0)",
                        "Excitation at  7.0 rad/s; Sum=1.0000000000000",
                    }));
    EXPECT_TRUE(has_line(o.lines, "k12:    0.427867968"));
    EXPECT_TRUE(has_line(o.lines, "Excitation frequency: 248496.423752622 Hz"));
    EXPECT_TRUE(has_line(o.lines, "f2: 319495.401967657 Hz"));
    EXPECT_TRUE(has_line(o.lines, "Energy transfer time:    7.042354870 us"));
    EXPECT_EQ(o.lines.back(), "Values saved in file zelvar.val");
    EXPECT_EQ(o.hand_overs, 1);
}

TEST_F(DesignRun, LeaveEnergyInC2OnlyIsIrrealizable) {
    DesignInputs in = mode(5, 7, 9, 11, 1);
    in.leave_c2 = true;
    in.g2 = 0.03L;
    const Outcome o = run(in);
    EXPECT_FALSE(o.completed);
    EXPECT_EQ(o.lines, (std::vector<std::string>{
                           "Limits for the factor for the energy left in C2:",
                           "Factor <    0.0416666667",
                           "Factor <    0.0125000000",
                           "Factor >    0.0083333333",
                           "Residues:",
                           "Aj[1]=0.7174744897959 ( 5.0)",
                           "Aj[2]=-0.6198979591837 ( 9.0)",
                           "Aj[3]=0.0264423076923 (11.0)",
                           "Excitation at  7.0 rad/s; Sum=0.1240188383046",
                           "The design is irrealizable.",
                       }));
}

TEST_F(DesignRun, BothOptionsTheC2LimitsFollowTheC1Correction) {
    DesignInputs in = mode(5, 7, 9, 11, 1);
    in.leave_c1 = true;
    in.leave_c2 = true;  // default factors -0.9 and 0.03
    const Outcome o = run(in);
    EXPECT_FALSE(o.completed);
    EXPECT_EQ(o.lines, (std::vector<std::string>{
                           "Limits for the factor for the energy left in C1:",
                           "Factor <   -0.2357142857",
                           "Factor >   -1.7357142857",
                           "Limits for the factor for the energy left in C2:",
                           "Factor <    0.0416666667",
                           "Factor <    0.0125000000",
                           "Factor <    0.0083333333",
                           "Residues:",
                           "Aj[1]=1.3871173469388 ( 5.0)",
                           "Aj[2]=-0.2984693877551 ( 9.0)",
                           "Aj[3]=-0.0745192307692 (11.0)",
                           "Excitation at  7.0 rad/s; Sum=1.0141287284144",
                           "The design is irrealizable.",
                       }));
    EXPECT_FALSE(value_file_exists());
}

TEST_F(DesignRun, OptionsHaveNoEffectAwayFromExcitationAtL) {
    for (int excitation : {0, 2, 3}) {
        DesignInputs plain = mode(5, 7, 9, 11, excitation);
        DesignInputs ticked = plain;
        ticked.leave_c1 = ticked.leave_c2 = true;
        ticked.g1 = 1e4000L;  // would overflow if it were used
        ticked.g2 = 1e4000L;
        EXPECT_EQ(run(plain).lines, run(ticked).lines) << excitation;
    }
}

TEST_F(DesignRun, WithKEqualToOneOnlyTwoC2LimitLines) {
    DesignInputs in = mode(1, 3, 5, 7, 1);
    in.leave_c2 = true;
    const Outcome o = run(in);
    ASSERT_GE(o.lines.size(), 4u);
    EXPECT_EQ(o.lines[0], "Limits for the factor for the energy left in C2:");
    EXPECT_EQ(o.lines[1], "Factor <    0.0416666667");
    EXPECT_EQ(o.lines[2], "Factor >    0.0208333333");
    EXPECT_EQ(o.lines[3], "Residues:");
}

TEST_F(DesignRun, ExcitationAtN) {
    const Outcome o = run(mode(5, 7, 9, 11, 3));
    EXPECT_TRUE(o.completed);
    EXPECT_TRUE(has_line(o.lines, "Excitation at 11.0 rad/s; Sum=1.0000000000000"));
    EXPECT_TRUE(has_line(o.lines, "C[2]:     93.308767952 pF ( 9.330876795E-0011 F)"));
    EXPECT_TRUE(has_line(o.lines, "L[2]:   6545.454545455 " + mu + "H ( 6.545454545E-0003 H)"));
    EXPECT_TRUE(has_line(o.lines, "L[1]:     97.229877001 " + mu + "H ( 9.722987700E-0005 H)"));
    EXPECT_TRUE(has_line(o.lines, "k12:    0.284982802"));
    EXPECT_TRUE(has_line(o.lines, "Excitation frequency: 390494.380182692 Hz"));
    EXPECT_TRUE(has_line(o.lines, "f3: 319495.401967657 Hz"));
    EXPECT_TRUE(has_line(o.lines, "Energy transfer time:    7.042354870 us"));
}

TEST_F(DesignRun, OtherModes) {
    Outcome o = run(mode(1, 3, 5, 7, 2));
    EXPECT_TRUE(o.completed);
    EXPECT_EQ(o.lines[1], "Aj[1]=0.0625000000000 ( 1.0)");
    EXPECT_EQ(o.lines[2], "Aj[2]=0.6750000000000 ( 3.0)");
    EXPECT_EQ(o.lines[3], "Aj[3]=0.2625000000000 ( 7.0)");
    EXPECT_EQ(o.lines[7], "a[0]:    441.00");
    EXPECT_TRUE(has_line(o.lines, "k12:    0.719337757"));

    o = run(mode(11, 13, 19, 21, 2));
    EXPECT_TRUE(o.completed);
    EXPECT_TRUE(has_line(o.lines, "k12:    0.154400050"));
}

TEST_F(DesignRun, ZeroResidueWithDegenerateLadderCannotTakeATransformer) {
    // l + n = 0 makes Aj[2] a negative zero (it passes); the ladder then
    // degenerates and the coupling falls outside (0, 1).
    const Outcome o = run(mode(-7, -5, 9, 5, 0));
    EXPECT_FALSE(o.completed);
    EXPECT_EQ(o.error, "");
    ASSERT_GE(o.lines.size(), 5u);
    EXPECT_EQ(o.lines[1], "Aj[1]=0.8571428571429 (-5.0)");
    EXPECT_EQ(o.lines[2], "Aj[2]=-0.0000000000000 ( 9.0)");
    EXPECT_EQ(o.lines[3], "Aj[3]=0.1428571428571 ( 5.0)");
    EXPECT_EQ(o.lines.back(), "Impossible to include a transformer");
    EXPECT_EQ(o.lines[o.lines.size() - 2].substr(0, 5), "L[1]:");
    EXPECT_EQ(o.hand_overs, 0);
    EXPECT_FALSE(value_file_exists());
}

// A fault abandons the run where it happens: the lines before it stay, no
// later line, no value file, no hand-over.
TEST_F(DesignRun, FaultsKeepTheEarlierLines) {
    struct Case {
        const char* what;
        DesignInputs in;
        std::size_t lines;
        const char* error;
        const char* last_line;
    };
    DesignInputs c1_zero;
    c1_zero.C1 = 0;
    DesignInputs c3_zero;
    c3_zero.C3 = 0;
    DesignInputs l3_zero;
    l3_zero.L3 = 0;
    DesignInputs c1_k_is_n = mode(11, 7, 9, 11, 1);
    c1_k_is_n.leave_c1 = true;
    DesignInputs c1_k_is_minus_m = mode(-9, 7, 9, 11, 1);
    c1_k_is_minus_m.leave_c1 = true;
    DesignInputs c2_m_is_one = mode(5, 7, 1, 11, 1);
    c2_m_is_one.leave_c2 = true;
    DesignInputs c2_k_is_minus_one = mode(-1, 3, 5, 7, 1);
    c2_k_is_minus_one.leave_c2 = true;
    DesignInputs c2_divisor_zero = mode(3, 5, 7, 9, 1);
    c2_divisor_zero.leave_c2 = true;
    c2_divisor_zero.g2 = 0.125L;  // (1 - 3*3) * 0.125 + 1 = 0
    const Case cases[] = {
        {"two equal multipliers l = n", mode(5, 11, 9, 11, 2), 0, kDivisionByZero, nullptr},
        {"S = 0", mode(1, 3, 7, 5, 2), 0, kDivisionByZero, nullptr},
        {"C1 = 0", c1_zero, 22, kDivisionByZero, "L[1]:    0.000292956 H"},
        {"C3 = 0", c3_zero, 22, kDivisionByZero, "L[1]:    0.000292956 H"},
        {"L3 = 0 (w0)", l3_zero, 31, kDivisionByZero,
         "Turns ratio of the ideal transformer inserted:    3.947743860"},
        {"C1 correction divisor", c1_k_is_n, 0, kDivisionByZero, nullptr},
        {"C1 limit 0/0", c1_k_is_minus_m, 1, kInvalidOperation, "Limits for the factor for the energy left in C1:"},
        {"C2 limit for m = 1", c2_m_is_one, 2, kDivisionByZero, nullptr},
        {"C2 limit for k = -1", c2_k_is_minus_one, 1, kDivisionByZero,
         "Limits for the factor for the energy left in C2:"},
        {"C2 correction divisor", c2_divisor_zero, 4, kDivisionByZero, "Factor >    0.0125000000"},
    };
    for (const Case& c : cases) {
        const Outcome o = run(c.in);
        EXPECT_EQ(o.error, c.error) << c.what;
        EXPECT_EQ(o.lines.size(), c.lines) << c.what;
        if (c.last_line != nullptr && !o.lines.empty()) {
            EXPECT_EQ(o.lines.back(), c.last_line) << c.what;
        }
        EXPECT_EQ(o.hand_overs, 0) << c.what;
        EXPECT_FALSE(value_file_exists()) << c.what;
    }
}

TEST_F(DesignRun, C2LimitLineBeforeTheFaultIsKept) {
    DesignInputs in = mode(5, 7, 1, 11, 1);
    in.leave_c2 = true;
    const Outcome o = run(in);
    ASSERT_EQ(o.lines.size(), 2u);
    EXPECT_EQ(o.lines[1].substr(o.lines[1].size() - 12), "0.0416666667");
}

TEST_F(DesignRun, StopsAndFaultsLeaveThePreviousValueFile) {
    ASSERT_TRUE(run(DesignInputs{}).completed);
    ASSERT_FALSE(run(mode(5, 7, 9, 11, 0)).completed);
    DesignInputs c1_zero;
    c1_zero.C1 = 0;
    EXPECT_EQ(run(c1_zero).error, kDivisionByZero);
    EXPECT_EQ(value_file(), kDefaultValueFile);
}

// A value file that cannot be written ends the run after the final block:
// no "Values saved in file zelvar.val", no hand-over, the old file kept.
TEST_F(DesignRun, ValueFileErrorsEndTheRunBeforeTheHandOver) {
    const std::string previous = "previous design\r\n";
    {
        std::ofstream("zelvar.val", std::ios::binary) << previous;
    }
    ASSERT_EQ(chmod("zelvar.val", 0444), 0);
    Outcome o = run(DesignInputs{});
    EXPECT_FALSE(o.completed);
    EXPECT_EQ(o.error, "File access denied");
    ASSERT_EQ(o.lines.size(), kDefaultReport.size() - 1);
    EXPECT_EQ(o.lines.back(), "Energy transfer time:    7.042354870 us");
    EXPECT_EQ(o.hand_overs, 0);
    EXPECT_EQ(value_file(), previous);

    // The working directory is gone: "File not found".
    const std::filesystem::path gone = dir_.path() / "gone";
    std::filesystem::create_directory(gone);
    std::filesystem::current_path(gone);
    std::filesystem::remove(gone);
    o = run(DesignInputs{});
    std::filesystem::current_path(dir_.path());
    EXPECT_EQ(o.error, "File not found");
    EXPECT_EQ(o.lines.size(), kDefaultReport.size() - 1);
    EXPECT_EQ(o.hand_overs, 0);
}

TEST_F(DesignRun, ExcitationIndexOutOfRangeIsRefused) {
    EXPECT_EQ(run(mode(5, 7, 9, 11, 4)).error, kRangeCheck);
    EXPECT_EQ(run(mode(5, 7, 9, 11, -1)).error, kRangeCheck);
}

TEST_F(DesignRun, NegativeValuesWriteOneBlank) {
    // Negative C3 and L3 give negative capacitances and inductances; the
    // absolute value keeps w0 defined.
    DesignInputs in;
    in.C3 = -1e-11L;
    in.L3 = -0.03L;
    const Outcome o = run(in);
    ASSERT_TRUE(o.completed) << o.error;
    const std::string file = value_file();
    EXPECT_NE(file.find("C2 -4.11080586080586E-0011\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("L3 -3.00000000000000E-0002\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("fin  3.19495401967657E+0005\r\n"), std::string::npos) << file;
}

TEST_F(DesignRun, NegativeC3AloneCompletesThroughTheAbsoluteScale) {
    // Only the capacitance scale is negative: w0 = 1/sqrt(|scale product|).
    DesignInputs in;
    in.C3 = -1e-11L;
    const Outcome o = run(in);
    ASSERT_TRUE(o.completed) << o.error;
    EXPECT_TRUE(has_line(o.lines, "Excitation frequency: 319495.401967657 Hz"));
    EXPECT_EQ(o.lines.back(), "Values saved in file zelvar.val");
}

TEST_F(DesignRun, C2LimitBelowAZeroResidueReadsFactorLessThan) {
    // 5:7:7:11 at l: the residues at k and n are exactly zero (signed), and
    // only a residue below zero turns the line into "Factor >".
    DesignInputs in = mode(5, 7, 7, 11, 1);
    in.leave_c2 = true;
    const Outcome o = run(in);
    ASSERT_GE(o.lines.size(), 4u);
    EXPECT_EQ(o.lines[1], "Factor <    0.0416666667");
    EXPECT_EQ(o.lines[2], "Factor <    0.0208333333");
    EXPECT_EQ(o.lines[3], "Factor <    0.0083333333");
}

// The design alone shares nothing and writes nothing: designs of several
// modes on separate threads give the lines and values of the run one at a
// time, and the caller writes the value file where it chooses.
TEST_F(DesignRun, DesignsRunSideBySideAndTheCallerWritesTheValueFile) {
    const DesignInputs modes[] = {DesignInputs{}, mode(1, 3, 5, 7, 2), mode(3, 5, 7, 9, 3), mode(5, 7, 9, 11, 0)};
    constexpr int kModes = 4;
    Outcome alone[kModes];
    for (int i = 0; i < kModes; ++i) {
        alone[i] = run(modes[i]);
        std::filesystem::remove("zelvar.val");
    }
    struct Side {
        bool completed[kModes] = {};
        LineCollector log[kModes];
        DesignResults results[kModes];
    } side[2];
    const auto work = [&modes](Side& s) {
        for (int round = 0; round < 20; ++round)
            for (int i = 0; i < kModes; ++i) {
                s.log[i].lines.clear();
                s.completed[i] = design_network(modes[i], s.log[i], s.results[i]);
            }
    };
    std::thread a(work, std::ref(side[0])), b(work, std::ref(side[1]));
    a.join();
    b.join();
    EXPECT_FALSE(value_file_exists());
    for (const Side& s : side)
        for (int i = 0; i < kModes; ++i) {
            EXPECT_EQ(s.completed[i], alone[i].completed) << i;
            std::vector<std::string> lines = s.log[i].lines;
            if (alone[i].completed) lines.push_back("Values saved in file zelvar.val");
            EXPECT_EQ(lines, alone[i].lines) << i;
            if (alone[i].completed) {
                EXPECT_EQ(value_file_text(s.results[i]), value_file_text(alone[i].results)) << i;
            }
        }

    // The value file at an explicit path, its line naming it.
    std::filesystem::create_directory("sweep");
    LineCollector log;
    save_design_values(side[0].results[1], "sweep/mode-1357.val", log);
    EXPECT_EQ(log.lines, std::vector<std::string>{"Values saved in file sweep/mode-1357.val"});
    std::ifstream in("sweep/mode-1357.val", std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    EXPECT_EQ(bytes.str(), value_file_text(alone[1].results));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("sweep"), std::filesystem::directory_iterator{}), 1);
    EXPECT_FALSE(value_file_exists());
}

}  // namespace
