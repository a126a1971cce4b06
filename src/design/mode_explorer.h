#pragma once
// The mode explorer: the network design for every integer mode k < l < m < n
// up to a limit, with the same C1, C3, L3, excitation choice and energy-left
// options, collecting the figures of each design.  The designs write no
// value file and no report lines.
#include <atomic>
#include <cstdint>
#include <functional>
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
// the rows so far) when its cancel flag is set.  The designs run on
// `threads` worker threads (0: one per core); the rows are the same
// whatever their number.
std::vector<ModeRow> explore_modes(const DesignInputs& base, std::int32_t max = 21,
                                   ExploreProgress* progress = nullptr, int threads = 0);

// The same designs, each row handed to `take` as soon as the rows before it
// in mode order have been: from one thread at a time, but not necessarily
// the calling one.  At most 2048 rows per thread wait for their turn (enough
// for a thread to run on while another is held up), so the memory does not
// grow with max.  When cancelled, the rows handed over are
// those before the first one not designed.  An exception from `take` or a
// design stops the workers and is raised here.
void explore_modes_in_order(const DesignInputs& base, std::int32_t max, int threads,
                            const std::function<void(const ModeRow&)>& take, ExploreProgress* progress = nullptr);

// The rows select_modes() keeps, gathered one by one in mode order, in
// about 100 bytes each (the mode, the status, the figures as 80-bit values;
// a fault's message apart): what `modes` lists, without the designs it
// does not list.
class ModeListing {
public:
    ModeListing(long double k12_max, bool include_stopped) : k12_max_(k12_max), include_stopped_(include_stopped) {}
    void add(const ModeRow& row);
    // The rows in the order of select_modes(); call once every row is added.
    void sort();
    std::size_t size() const { return good_.size() + stopped_.size(); }
    std::int32_t realizable() const { return static_cast<std::int32_t>(good_.size()); }
    ModeRow row(std::size_t i) const;

    // One row: k12, fin, f1, f2, f3, the transfer time, L1, C2 and L2 as
    // their 10 bytes each (the cycles are formed again from two of them).
    struct Packed {
        std::int32_t fault;  // index of the message, -1 for none
        std::uint8_t k, l, m, n;
        std::uint8_t status;
        unsigned char reals[9][10];
    };

private:
    long double k12_max_;
    bool include_stopped_;
    std::vector<Packed> good_, stopped_;
    std::vector<std::string> faults_;
};

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
// Its parts: the title and head lines for a count of realizable rows, and
// the line of one row.
std::vector<std::string> mode_table_head(std::int32_t realizable);
std::string mode_table_line(const ModeRow& row);

// "k,l,m,n,status,k12,fin,f1,f2,f3,t_transfer,cycles,L1,C2,L2", then one
// line per row, SI units, reals with 15 significant digits; a stopped mode
// has empty figures, and a fault its message in the status ("fault: ...").
std::string modes_csv(const std::vector<ModeRow>& rows);
// Its parts: the head line and the line of one row (with their newlines).
std::string modes_csv_head();
std::string modes_csv_line(const ModeRow& row);

}  // namespace zelvar
