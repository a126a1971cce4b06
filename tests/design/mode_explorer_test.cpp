// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/mode_explorer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../app/scratch_dir.h"
#include "app/dispatch_cli.h"
#include "app/faults.h"
#include "report/format.h"

namespace zelvar {
namespace {

// The explorer's row holds the figures the design report prints.
TEST(ModeExplorer, RowOfTheDefaultModeEqualsTheDesignReport) {
    testdata::ScratchDir dir("zelvar-modes");
    LineCollector report;
    ASSERT_TRUE(run_design(DesignInputs{}, report, nullptr));
    std::filesystem::remove("zelvar.val");

    const ModeRow r = design_mode(DesignInputs{}, 5, 7, 9, 11);
    ASSERT_EQ(r.status, ModeStatus::realizable);
    const std::string expected[] = {
        "k12: " + F(r.k12, 14, 9),
        "Excitation frequency: " + F(r.fin, 14, 9) + " Hz",
        "f1: " + F(r.f[0], 14, 9) + " Hz",
        "f2: " + F(r.f[1], 14, 9) + " Hz",
        "f3: " + F(r.f[2], 14, 9) + " Hz",
        "Energy transfer time: " + F(r.t_transfer / 1e-6L, 14, 9) + " us",
        "C[2]: " + F(r.C2 / 1e-12L, 16, 9) + " pF (" + E(r.C2, 18) + " F)",
        "L[2]: " + F(r.L2 / 1e-6L, 16, 9) + " " + kMicro + "H (" + E(r.L2, 18) + " H)",
        "L[1]: " + F(r.L1 / 1e-6L, 16, 9) + " " + kMicro + "H (" + E(r.L1, 18) + " H)",
    };
    for (const std::string& line : expected)
        EXPECT_NE(std::find(report.lines.begin(), report.lines.end(), line), report.lines.end()) << line;
    EXPECT_EQ(F(r.k12, 14, 9), "   0.299936354");
    EXPECT_EQ(F(r.t_transfer / 1e-6L, 14, 9), "   7.042354870");
    EXPECT_EQ(F(r.cycles, 8, 3), "   2.250");  // 9/4 source cycles

    // The explorer itself writes no value file.
    explore_modes(DesignInputs{}, 9);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(ModeExplorer, StoppedDesignsKeepTheirReason) {
    DesignInputs in;
    in.excitation = 0;  // k*w0: irrealizable
    EXPECT_EQ(design_mode(in, 5, 7, 9, 11).status, ModeStatus::irrealizable);
    in = DesignInputs{};
    in.C1 = 0;  // the turns ratio divides by zero
    const ModeRow fault = design_mode(in, 5, 7, 9, 11);
    EXPECT_EQ(fault.status, ModeStatus::fault);
    EXPECT_EQ(fault.fault, kDivisionByZero);
    EXPECT_EQ(mode_cells(fault), (std::vector<std::string>{"5", "7", "9", "11", "fault: Floating point division by zero"}));
    // 4 out of 4 multipliers: one mode; below that none.
    EXPECT_EQ(explore_modes(DesignInputs{}, 4).size(), 1u);
    EXPECT_TRUE(explore_modes(DesignInputs{}, 3).empty());
    EXPECT_EQ(explore_modes(DesignInputs{}, 21).size(), 5985u);  // 21 choose 4
}

struct CliRun {
    int status;
    std::string out, err;
};

CliRun modes(std::vector<std::string> args) {
    std::ostringstream out, err;
    args.insert(args.begin(), "modes");
    const int status = run_cli(args, out, err);
    return {status, out.str(), err.str()};
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(ModesCli, RealizableModesSortedByK12) {
    const CliRun r = modes({"--max", "15", "--k12-max", "0.6"});
    ASSERT_EQ(r.status, kExitCompleted) << r.err;
    const std::vector<std::string> lines = lines_of(r.out);
    ASSERT_GT(lines.size(), 3u);
    EXPECT_EQ(lines[1],
              "  k   l   m   n          k12       fin (Hz)        f1 (Hz)        f2 (Hz)        f3 (Hz)"
              "  transfer (µs)  cycles       L1 (µH)     C2 (pF)     L2 (mH)");
    long double previous = 0;
    bool found = false;
    for (std::size_t i = 2; i < lines.size(); ++i) {
        std::istringstream row(lines[i]);
        int k, l, m, n;
        long double k12;
        ASSERT_TRUE(row >> k >> l >> m >> n >> k12) << lines[i];
        EXPECT_LE(previous, k12) << lines[i];
        EXPECT_LE(k12, 0.6L) << lines[i];
        EXPECT_LE(n, 15);
        previous = k12;
        if (k == 5 && l == 7 && m == 9 && n == 11) {
            found = true;
            EXPECT_NE(lines[i].find(" 0.299936354 "), std::string::npos) << lines[i];
            EXPECT_NE(lines[i].find(" 7.042354870 "), std::string::npos) << lines[i];
        }
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(r.out.find("irrealizable"), std::string::npos);
    EXPECT_EQ(lines[0], "Realizable modes: " + std::to_string(lines.size() - 2));
}

// --k12-max K lists the modes with k12 up to K: one whose k12 is exactly K
// is kept, and left out for the next value below.
TEST(ModesCli, K12MaxKeepsAModeAtTheLimit) {
    const ModeRow row = design_mode(DesignInputs{}, 5, 7, 9, 11);
    ASSERT_EQ(row.status, ModeStatus::realizable);
    const auto listed = [](long double limit) {
        char text[64];
        const auto end = std::to_chars(text, text + sizeof text, limit).ptr;  // reads back exactly
        const CliRun r = modes({"--max", "11", "--k12-max", std::string(text, end)});
        EXPECT_EQ(r.status, kExitCompleted) << r.err;
        return r.out.find("\n  5   7   9  11  ") != std::string::npos;
    };
    EXPECT_TRUE(listed(row.k12));
    EXPECT_FALSE(listed(std::nextafter(row.k12, 0.0L)));
}

TEST(ModesCli, StoppedModesOnlyWithAllWithTheirReasonAndCsv) {
    testdata::ScratchDir dir("zelvar-modes-cli");
    // Excitation at l leaving energy in C1: some modes realizable, some not.
    const std::vector<std::string> options = {"--max", "7", "--excitation", "l", "--leave-c1", "-0.9"};
    const CliRun some = modes(options);
    ASSERT_EQ(some.status, kExitCompleted) << some.err;
    EXPECT_EQ(some.out.find("irrealizable"), std::string::npos);
    EXPECT_EQ(lines_of(some.out).front(), "Realizable modes: 33");
    std::vector<std::string> with_all = options;
    with_all.insert(with_all.end(), {"--all", "--csv", "modes.csv"});
    const CliRun all = modes(with_all);
    ASSERT_EQ(all.status, kExitCompleted) << all.err;
    EXPECT_NE(all.out.find("\n  1   2   5   6  irrealizable\n"), std::string::npos) << all.out;
    // 7 choose 4, every one listed, then the file's line.
    EXPECT_EQ(lines_of(all.out).size(), 2u + 35u + 1u);
    EXPECT_EQ(lines_of(all.out).back(), "Modes saved in file modes.csv");
    std::ifstream csv("modes.csv");
    std::string head;
    std::getline(csv, head);
    EXPECT_EQ(head, "k,l,m,n,status,k12,fin,f1,f2,f3,t_transfer,cycles,L1,C2,L2");
    std::vector<std::string> rows;
    for (std::string line; std::getline(csv, line);) rows.push_back(line);
    ASSERT_EQ(rows.size(), 35u);
    EXPECT_EQ(rows.front().rfind("4,5,6,7,realizable,2.91947084817702e-01,2.60944808930974e+05,", 0), 0u) << rows.front();
    EXPECT_NE(std::find(rows.begin(), rows.end(),
                        "1,2,5,6,irrealizable,,,,,,,,,,"),  // a stopped mode has no figures
              rows.end());
    EXPECT_EQ(modes({"--max", "x"}).err, "x is not a valid number.\n");
}

}  // namespace
}  // namespace zelvar
