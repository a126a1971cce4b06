// SPDX-License-Identifier: GPL-3.0-or-later
// The mode table on several worker threads: the same rows, in the same
// order, as one design after the other; the listing kept row by row equals
// the selection from every row.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "app/dispatch_cli.h"
#include "app/faults.h"
#include "design/mode_explorer.h"

namespace zelvar {
namespace {

// Every mode up to max designed one after the other, in mode order.
std::vector<ModeRow> one_by_one(const DesignInputs& in, std::int32_t max) {
    std::vector<ModeRow> rows;
    for (std::int32_t k = 1; k <= max; ++k)
        for (std::int32_t l = k + 1; l <= max; ++l)
            for (std::int32_t m = l + 1; m <= max; ++m)
                for (std::int32_t n = m + 1; n <= max; ++n) rows.push_back(design_mode(in, k, l, m, n));
    return rows;
}

// Mode, status, fault and every figure (15 digits) of each row.
std::string text_of(const std::vector<ModeRow>& rows) {
    std::string text;
    for (const ModeRow& r : rows) text += modes_csv_line(r) + r.fault + "\n";
    return text;
}

DesignInputs with_stopped_modes() {
    DesignInputs in;
    in.excitation = 1;  // l, leaving energy in C1: some modes stop
    in.leave_c1 = true;  // with the factor -0.9
    return in;
}

TEST(ModeThreads, RowsAreTheOneByOneDesignsWhateverTheThreads) {
    const DesignInputs inputs[] = {DesignInputs{}, with_stopped_modes()};
    for (const DesignInputs& in : inputs) {
        // 13 choose 4 = 715 modes: twelve blocks, the last one short.
        const std::string expected = text_of(one_by_one(in, 13));
        for (const int threads : {1, 2, 3, 8})
            EXPECT_EQ(text_of(explore_modes(in, 13, nullptr, threads)), expected) << threads;
    }
    // 24 choose 4 = 10,626 modes, more blocks than may wait for their turn at once.
    EXPECT_EQ(text_of(explore_modes(DesignInputs{}, 24, nullptr, 2)), text_of(one_by_one(DesignInputs{}, 24)));
}

TEST(ModeThreads, ListingKeptRowByRowEqualsTheSelection) {
    for (const bool all : {false, true}) {
        const DesignInputs in = with_stopped_modes();
        const std::vector<ModeRow> every = explore_modes(in, 11);
        ModeListing listing(0.5L, all);
        explore_modes_in_order(in, 11, 2, [&](const ModeRow& r) { listing.add(r); });
        listing.sort();
        std::vector<ModeRow> listed;
        for (std::size_t i = 0; i < listing.size(); ++i) listed.push_back(listing.row(i));
        const std::vector<ModeRow> selected = select_modes(every, 0.5L, all);
        ASSERT_GT(selected.size(), 10u);
        EXPECT_EQ(text_of(listed), text_of(selected)) << all;
        EXPECT_EQ(mode_table_lines(listed), mode_table_lines(selected)) << all;
        EXPECT_EQ(modes_csv(listed), modes_csv(selected)) << all;
        std::int32_t realizable = 0;
        for (const ModeRow& r : selected) realizable += r.status == ModeStatus::realizable ? 1 : 0;
        EXPECT_EQ(listing.realizable(), realizable);
    }
    // A fault's message is kept.
    DesignInputs faulty;
    faulty.C1 = 0;
    ModeListing listing(1, true);
    explore_modes_in_order(faulty, 5, 2, [&](const ModeRow& r) { listing.add(r); });
    ASSERT_EQ(listing.size(), 5u);
    EXPECT_EQ(listing.row(0).fault, kDivisionByZero);
}

TEST(ModeThreads, CancelledExplorationHandsOverAPrefixAndErrorsReachTheCaller) {
    const std::vector<ModeRow> every = one_by_one(DesignInputs{}, 14);
    ExploreProgress progress;
    std::vector<ModeRow> got;
    explore_modes_in_order(DesignInputs{}, 14, 2,
                           [&](const ModeRow& r) {
                               got.push_back(r);
                               if (got.size() == 100) progress.cancel = true;
                           },
                           &progress);
    ASSERT_GE(got.size(), 100u);
    ASSERT_LT(got.size(), every.size());
    EXPECT_EQ(text_of(got), text_of(std::vector<ModeRow>(every.begin(), every.begin() + got.size())));

    int taken = 0;
    EXPECT_THROW(explore_modes_in_order(DesignInputs{}, 14, 2,
                                        [&](const ModeRow&) {
                                            if (++taken == 300) throw std::runtime_error("full");
                                        }),
                 std::runtime_error);
    EXPECT_EQ(taken, 300);
}

TEST(ModeThreads, CommandLineTableIsTheSameOnOneAndTwoThreads) {
    const auto run = [](std::vector<std::string> args) {
        std::ostringstream out, err;
        args.insert(args.begin(), "modes");
        const int status = run_cli(args, out, err);
        return std::to_string(status) + "\n" + out.str() + err.str();
    };
    const std::string one = run({"--max", "12", "--all", "--excitation", "l", "--threads", "1"});
    EXPECT_EQ(one.rfind("0\nRealizable modes: ", 0), 0u) << one;
    EXPECT_EQ(run({"--max", "12", "--all", "--excitation", "l", "--threads", "2"}), one);
    EXPECT_EQ(run({"--max", "12", "--all", "--excitation", "l"}), one);
    EXPECT_EQ(run({"--threads", "0"}),
              "64\nzelvar-cli modes: The number of threads must be at least 1.\n"
              "Run 'zelvar-cli modes --help' for the options.\n");
}

}  // namespace
}  // namespace zelvar
