// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The mode explorer: the network design for every integer mode k < l < m < n
// up to a limit, with the same C1, C3, L3, excitation choice and energy-left
// options, collecting the figures of each design.  The designs write no
// value file and no report lines.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "design/design_run.h"

namespace zelvar {

enum class ModeStatus {
    realizable,      // the design completed
    irrealizable,    // "The design is irrealizable."
    no_transformer,  // "Impossible to include a transformer"
    fault,           // an arithmetic fault; its message in ModeRow::fault
};

// The status as one word for tables and files: "realizable",
// "irrealizable", "no-transformer" or "fault".
const char* status_word(ModeStatus s);

// One design; the figures are set only for a realizable mode (0 otherwise).
struct ModeRow {
    std::int32_t k = 0, l = 0, m = 0, n = 0;
    ModeStatus status = ModeStatus::fault;
    std::string fault;             // the error's message, for ModeStatus::fault
    long double k12 = 0;
    long double fin = 0;           // excitation frequency, Hz
    long double f[3] = {0, 0, 0};  // the resonances f1, f2, f3, Hz, as the report lists them
    long double t_transfer = 0;    // energy transfer time, s
    long double cycles = 0;        // the transfer time in source cycles (t_transfer · fin)
    long double L1 = 0, C2 = 0, L2 = 0;  // H, F, H
};

// The design of the mode k:l:m:n with the other inputs of `base` (its own
// k, l, m, n are ignored).
ModeRow design_mode(const DesignInputs& base, std::int32_t k, std::int32_t l, std::int32_t m, std::int32_t n);

// Progress of an exploration running on another thread: the number of
// designs done, and a flag that stops it after the current design.
struct ExploreProgress {
    std::atomic<std::int32_t> done{0};
    std::atomic<bool> cancel{false};
};

// The number of modes up to max: max choose 4 (0 below 4).
std::int32_t mode_count(std::int32_t max);

// Every mode 1 <= k < l < m < n <= max, in increasing order of k, then l,
// m and n.  max below 4 gives no row; max above 200 raises zelvar::Error.
// With a progress record, counts the designs there and stops early (with
// the rows so far) when its cancel flag is set.
std::vector<ModeRow> explore_modes(const DesignInputs& base, std::int32_t max = 21,
                                   ExploreProgress* progress = nullptr);

// The realizable rows whose k12 is at most k12_max (all of them when
// include_stopped), the realizable ones sorted by increasing k12 (ties in
// mode order), the stopped ones after them in mode order.
std::vector<ModeRow> select_modes(const std::vector<ModeRow>& rows, long double k12_max, bool include_stopped);

// The columns of the mode table: k, l, m, n, k12, fin, f1, f2, f3, the
// transfer time, the cycles, L1, C2 and L2, with their titles (Latin-1) and
// widths in the printed table.
struct ModeColumn {
    std::string title;
    int width;
};
const std::vector<ModeColumn>& mode_columns();

// The cells of one row as the table shows them (Latin-1, no padding): the
// mode as integers, k12 with 9 decimals, frequencies in Hz with 3, the
// transfer time in microseconds with 9 (as the design report prints them),
// the cycles with 3, L1 in microhenries, C2 in picofarads and L2 in
// millihenries with 6.  A stopped row has the mode and the status word (and
// the fault's message) only.
std::vector<std::string> mode_cells(const ModeRow& row);

// The printed table: a title line, the column heads, one line per row.
std::vector<std::string> mode_table_lines(const std::vector<ModeRow>& rows);

// "k,l,m,n,status,k12,fin,f1,f2,f3,t_transfer,cycles,L1,C2,L2", then one
// line per row, SI units, reals with 15 significant digits.
std::string modes_csv(const std::vector<ModeRow>& rows);

}  // namespace zelvar
