// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/mode_explorer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/faults.h"
#include "design/design_state.h"
#include "report/format.h"
#include "sim/freq_response.h"

namespace zelvar {

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;
constexpr long double kTwoPi = 2 * kPi;

// The designs of the explorer report nowhere.
class DiscardingSink : public ReportSink {
public:
    void append_line(const std::string&) override {}
};

}  // namespace

const char* status_word(ModeStatus s) {
    switch (s) {
        case ModeStatus::realizable: return "realizable";
        case ModeStatus::irrealizable: return "irrealizable";
        case ModeStatus::no_transformer: return "no-transformer";
        case ModeStatus::fault: break;
    }
    return "fault";
}

ModeRow design_mode(const DesignInputs& base, std::int32_t k, std::int32_t l, std::int32_t m, std::int32_t n) {
    ModeRow row;
    row.k = k;
    row.l = l;
    row.m = m;
    row.n = n;
    DesignInputs in = base;
    in.k = k;
    in.l = l;
    in.m = m;
    in.n = n;
    DiscardingSink log;
    // The stages of the design on a state of its own, as design_network()
    // chains them (which keeps w0 and the stopping check to itself).
    const FpEnvironment fp_environment;
    DesignState s;
    try {
        read_design_inputs(s, in);
        compute_residues(s);
        apply_energy_left_options(s, in, log);
        if (!check_realizable(s, log)) {
            row.status = ModeStatus::irrealizable;
            return row;
        }
        build_impedance(s, log);
        extract_ladder(s, log);
        if (!insert_transformer(s, log)) {
            row.status = ModeStatus::no_transformer;
            return row;
        }
        report_final_values(s, log);
        row.k12 = s.k12;
        row.fin = s.fin;
        for (int j = 1; j <= 3; ++j) row.f[j - 1] = s.w[j] * s.w0 / kTwoPi;
        row.t_transfer = kPi / (2 * s.w0);
        row.cycles = row.t_transfer * row.fin;
        row.L1 = s.L[1];
        row.C2 = s.C[2];
        row.L2 = s.L[2];
        fp_check();
        row.status = ModeStatus::realizable;
    } catch (const Error& e) {
        fp_clear();
        row = ModeRow{};
        row.k = k;
        row.l = l;
        row.m = m;
        row.n = n;
        row.status = ModeStatus::fault;
        row.fault = e.what();
    }
    return row;
}

std::int32_t mode_count(std::int32_t max) {
    if (max < 4) return 0;
    const std::int64_t n = max;
    return static_cast<std::int32_t>(n * (n - 1) * (n - 2) * (n - 3) / 24);
}

std::vector<ModeRow> explore_modes(const DesignInputs& base, std::int32_t max, ExploreProgress* progress) {
    // 200 choose 4 is 64,684,950 designs, about an hour.
    if (max > 200) throw Error("The largest multiplier must be at most 200");
    std::vector<ModeRow> rows;
    rows.reserve(static_cast<std::size_t>(mode_count(max)));
    for (std::int32_t k = 1; k <= max; ++k)
        for (std::int32_t l = k + 1; l <= max; ++l)
            for (std::int32_t m = l + 1; m <= max; ++m)
                for (std::int32_t n = m + 1; n <= max; ++n) {
                    if (progress != nullptr && progress->cancel.load(std::memory_order_relaxed)) return rows;
                    rows.push_back(design_mode(base, k, l, m, n));
                    if (progress != nullptr) progress->done.fetch_add(1, std::memory_order_relaxed);
                }
    return rows;
}

std::vector<ModeRow> select_modes(const std::vector<ModeRow>& rows, long double k12_max, bool include_stopped) {
    std::vector<ModeRow> good, stopped;
    for (const ModeRow& r : rows) {
        if (r.status != ModeStatus::realizable) {
            if (include_stopped) stopped.push_back(r);
        } else if (!std::isgreater(r.k12, k12_max)) {
            good.push_back(r);
        }
    }
    std::stable_sort(good.begin(), good.end(),
                     [](const ModeRow& a, const ModeRow& b) { return std::isless(a.k12, b.k12); });
    good.insert(good.end(), stopped.begin(), stopped.end());
    return good;
}

const std::vector<ModeColumn>& mode_columns() {
    static const std::vector<ModeColumn> columns = {
        {"k", 3},
        {"l", 4},
        {"m", 4},
        {"n", 4},
        {"k12", 13},
        {"fin (Hz)", 15},
        {"f1 (Hz)", 15},
        {"f2 (Hz)", 15},
        {"f3 (Hz)", 15},
        {std::string("transfer (") + kMicro + "s)", 15},
        {"cycles", 8},
        {std::string("L1 (") + kMicro + "H)", 14},
        {"C2 (pF)", 12},
        {"L2 (mH)", 12},
    };
    return columns;
}

std::vector<std::string> mode_cells(const ModeRow& r) {
    std::vector<std::string> cells = {I(r.k), I(r.l), I(r.m), I(r.n)};
    if (r.status != ModeStatus::realizable) {
        cells.push_back(r.status == ModeStatus::fault ? std::string("fault: ") + r.fault : status_word(r.status));
        return cells;
    }
    const auto trimmed = [](std::string text) {
        text.erase(0, text.find_first_not_of(' '));
        return text;
    };
    cells.push_back(trimmed(F(r.k12, 1, 9)));
    cells.push_back(trimmed(F(r.fin, 1, 3)));
    for (const long double f : r.f) cells.push_back(trimmed(F(f, 1, 3)));
    cells.push_back(trimmed(F(r.t_transfer / 1e-6L, 1, 9)));
    cells.push_back(trimmed(F(r.cycles, 1, 3)));
    cells.push_back(trimmed(F(r.L1 / 1e-6L, 1, 6)));
    cells.push_back(trimmed(F(r.C2 / 1e-12L, 1, 6)));
    cells.push_back(trimmed(F(r.L2 / 1e-3L, 1, 6)));
    return cells;
}

std::vector<std::string> mode_table_lines(const std::vector<ModeRow>& rows) {
    const std::vector<ModeColumn>& columns = mode_columns();
    const auto pad = [](const std::string& text, int width) {
        return text.size() >= static_cast<std::size_t>(width) ? " " + text
                                                             : std::string(width - text.size(), ' ') + text;
    };
    std::int32_t realizable = 0;
    for (const ModeRow& r : rows) realizable += r.status == ModeStatus::realizable ? 1 : 0;
    std::vector<std::string> lines = {"Realizable modes: " + I(realizable)};
    std::string head;
    // The micro sign is one character in the table but one byte here too
    // (Latin-1), so the widths hold.
    for (const ModeColumn& c : columns) head += pad(c.title, c.width);
    lines.push_back(head);
    for (const ModeRow& r : rows) {
        const std::vector<std::string> cells = mode_cells(r);
        std::string line;
        for (std::size_t i = 0; i < 4; ++i) line += pad(cells[i], columns[i].width);
        if (r.status != ModeStatus::realizable) {
            line += "  " + cells[4];  // the reason, after the mode
        } else {
            for (std::size_t i = 4; i < cells.size(); ++i) line += pad(cells[i], columns[i].width);
        }
        lines.push_back(line);
    }
    return lines;
}

std::string modes_csv(const std::vector<ModeRow>& rows) {
    std::string text = "k,l,m,n,status,k12,fin,f1,f2,f3,t_transfer,cycles,L1,C2,L2\n";
    for (const ModeRow& r : rows) {
        text += std::to_string(r.k) + ',' + std::to_string(r.l) + ',' + std::to_string(r.m) + ',' +
                std::to_string(r.n) + ',' + status_word(r.status);
        for (const long double x : {r.k12, r.fin, r.f[0], r.f[1], r.f[2], r.t_transfer, r.cycles, r.L1, r.C2, r.L2})
            text += ',' + csv_real15(x);
        text += '\n';
    }
    return text;
}

}  // namespace zelvar
