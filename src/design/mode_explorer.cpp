#include "design/mode_explorer.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <numbers>

#include "app/faults.h"
#include "app/worker_pool.h"
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

namespace {

// n choose r for r <= 3.
std::int64_t choose(std::int64_t n, int r) {
    if (n < r) return 0;
    std::int64_t c = 1;
    for (int i = 0; i < r; ++i) c = c * (n - i) / (i + 1);
    return c;
}

// The mode of 0-based number `index` in mode order.
void mode_at(std::int32_t max, std::int64_t index, std::int32_t (&mode)[4]) {
    std::int32_t low = 1;
    for (int pos = 0; pos < 4; ++pos)
        for (std::int32_t v = low;; ++v) {
            const std::int64_t after = choose(max - v, 3 - pos);
            if (index < after) {
                mode[pos] = v;
                low = v + 1;
                break;
            }
            index -= after;
        }
}

// The mode after `mode` in mode order.
void next_mode(std::int32_t max, std::int32_t (&mode)[4]) {
    for (int pos = 3; pos >= 0; --pos)
        if (mode[pos] < max - (3 - pos)) {
            ++mode[pos];
            for (int q = pos + 1; q < 4; ++q) mode[q] = mode[q - 1] + 1;
            return;
        }
}

// The designs go to the workers in blocks of consecutive modes; a block's
// rows are handed over when the blocks before it have been, and a worker
// starts a block only while fewer than kWindowPerThread blocks per thread
// wait for their turn.
constexpr std::int64_t kBlock = 64;
constexpr std::int64_t kWindowPerThread = 32;

}  // namespace

void explore_modes_in_order(const DesignInputs& base, std::int32_t max, int threads,
                            const std::function<void(const ModeRow&)>& take, ExploreProgress* progress) {
    // 200 choose 4 is 64,684,950 designs, about an hour on one core.
    if (max > 200) throw Error("The largest multiplier must be at most 200");
    const std::int64_t total = mode_count(max);
    if (total == 0) return;
    const std::int64_t blocks = (total + kBlock - 1) / kBlock;
    const int n_threads =
        static_cast<int>(std::min<std::int64_t>(threads > 0 ? threads : default_thread_count(), blocks));
    const std::int64_t window = kWindowPerThread * n_threads;

    struct Slot {
        bool ready = false;
        bool partial = false;  // cancelled before its end
        std::vector<ModeRow> rows;
    };
    std::vector<Slot> slots(static_cast<std::size_t>(window));
    std::mutex mutex;
    std::condition_variable turn;
    std::int64_t next_block = 0;  // the next block to start
    std::int64_t next_out = 0;    // the next block to hand over
    bool handing = false;         // a worker is handing blocks over
    bool stop = false;            // cancelled, failed, or a partial block handed over

    const auto cancelled = [&] { return progress != nullptr && progress->cancel.load(std::memory_order_relaxed); };
    // Hands over the blocks that are ready, in order; called with the lock.
    const auto hand_over = [&](std::unique_lock<std::mutex>& lock) {
        if (handing) return;
        handing = true;
        try {
            while (!stop && next_out < blocks) {
                Slot& slot = slots[static_cast<std::size_t>(next_out % window)];
                if (!slot.ready) break;
                std::vector<ModeRow> rows = std::move(slot.rows);
                const bool partial = slot.partial;
                slot = Slot{};
                lock.unlock();
                for (const ModeRow& row : rows) take(row);
                lock.lock();
                ++next_out;
                if (partial) stop = true;
                turn.notify_all();
            }
        } catch (...) {
            if (!lock.owns_lock()) lock.lock();
            stop = true;
            handing = false;
            turn.notify_all();
            throw;
        }
        handing = false;
    };

    run_on_workers(n_threads, [&](int) {
        std::unique_lock<std::mutex> lock(mutex);
        try {
            for (;;) {
                turn.wait(lock, [&] { return stop || next_block >= blocks || next_block < next_out + window; });
                if (stop || next_block >= blocks) return;
                const std::int64_t block = next_block++;
                lock.unlock();
                std::vector<ModeRow> rows;
                const std::int64_t first = block * kBlock;
                const std::int64_t count = std::min(kBlock, total - first);
                rows.reserve(static_cast<std::size_t>(count));
                std::int32_t mode[4];
                mode_at(max, first, mode);
                bool partial = false;
                for (std::int64_t i = 0; i < count; ++i) {
                    if (cancelled()) {
                        partial = true;
                        break;
                    }
                    rows.push_back(design_mode(base, mode[0], mode[1], mode[2], mode[3]));
                    if (progress != nullptr) progress->done.fetch_add(1, std::memory_order_relaxed);
                    next_mode(max, mode);
                }
                lock.lock();
                Slot& slot = slots[static_cast<std::size_t>(block % window)];
                slot.rows = std::move(rows);
                slot.partial = partial;
                slot.ready = true;
                hand_over(lock);
                if (partial) return;
            }
        } catch (...) {
            if (!lock.owns_lock()) lock.lock();
            stop = true;
            turn.notify_all();
            throw;
        }
    });
}

std::vector<ModeRow> explore_modes(const DesignInputs& base, std::int32_t max, ExploreProgress* progress,
                                   int threads) {
    std::vector<ModeRow> rows;
    rows.reserve(static_cast<std::size_t>(mode_count(std::min(max, 200))));
    explore_modes_in_order(base, max, threads, [&](const ModeRow& row) { rows.push_back(row); }, progress);
    return rows;
}

namespace {

void pack_real(long double v, unsigned char (&bytes)[10]) { std::memcpy(bytes, &v, 10); }

long double unpack_real(const unsigned char (&bytes)[10]) {
    long double v = 0;
    std::memcpy(&v, bytes, 10);
    return v;
}

}  // namespace

void ModeListing::add(const ModeRow& r) {
    const bool good = r.status == ModeStatus::realizable;
    if (good ? std::isgreater(r.k12, k12_max_) : !include_stopped_) return;
    Packed p{};
    p.fault = -1;
    p.k = static_cast<std::uint8_t>(r.k);
    p.l = static_cast<std::uint8_t>(r.l);
    p.m = static_cast<std::uint8_t>(r.m);
    p.n = static_cast<std::uint8_t>(r.n);
    p.status = static_cast<std::uint8_t>(r.status);
    if (r.status == ModeStatus::fault) {
        p.fault = static_cast<std::int32_t>(faults_.size());
        faults_.push_back(r.fault);
    }
    if (good) {
        const long double reals[9] = {r.k12, r.fin, r.f[0], r.f[1], r.f[2], r.t_transfer, r.L1, r.C2, r.L2};
        for (int i = 0; i < 9; ++i) pack_real(reals[i], p.reals[i]);
        good_.push_back(p);
    } else {
        stopped_.push_back(p);
    }
}

void ModeListing::sort() {
    std::stable_sort(good_.begin(), good_.end(), [](const Packed& a, const Packed& b) {
        return std::isless(unpack_real(a.reals[0]), unpack_real(b.reals[0]));
    });
}

ModeRow ModeListing::row(std::size_t i) const {
    const Packed& p = i < good_.size() ? good_[i] : stopped_[i - good_.size()];
    ModeRow r;
    r.k = p.k;
    r.l = p.l;
    r.m = p.m;
    r.n = p.n;
    r.status = static_cast<ModeStatus>(p.status);
    if (p.fault >= 0) r.fault = faults_[static_cast<std::size_t>(p.fault)];
    if (r.status == ModeStatus::realizable) {
        r.k12 = unpack_real(p.reals[0]);
        r.fin = unpack_real(p.reals[1]);
        for (int j = 0; j < 3; ++j) r.f[j] = unpack_real(p.reals[2 + j]);
        r.t_transfer = unpack_real(p.reals[5]);
        r.cycles = r.t_transfer * r.fin;  // as design_mode() forms it
        r.L1 = unpack_real(p.reals[6]);
        r.C2 = unpack_real(p.reals[7]);
        r.L2 = unpack_real(p.reals[8]);
    }
    return r;
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

namespace {

std::string pad(const std::string& text, int width) {
    return text.size() >= static_cast<std::size_t>(width) ? " " + text : std::string(width - text.size(), ' ') + text;
}

}  // namespace

std::vector<std::string> mode_table_head(std::int32_t realizable) {
    std::vector<std::string> lines = {"Realizable modes: " + I(realizable)};
    std::string head;
    // The micro sign is one character in the table but one byte here too
    // (Latin-1), so the widths hold.
    for (const ModeColumn& c : mode_columns()) head += pad(c.title, c.width);
    lines.push_back(head);
    return lines;
}

std::string mode_table_line(const ModeRow& r) {
    const std::vector<ModeColumn>& columns = mode_columns();
    const std::vector<std::string> cells = mode_cells(r);
    std::string line;
    for (std::size_t i = 0; i < 4; ++i) line += pad(cells[i], columns[i].width);
    if (r.status != ModeStatus::realizable) {
        line += "  " + cells[4];  // the reason, after the mode
    } else {
        for (std::size_t i = 4; i < cells.size(); ++i) line += pad(cells[i], columns[i].width);
    }
    return line;
}

std::vector<std::string> mode_table_lines(const std::vector<ModeRow>& rows) {
    std::int32_t realizable = 0;
    for (const ModeRow& r : rows) realizable += r.status == ModeStatus::realizable ? 1 : 0;
    std::vector<std::string> lines = mode_table_head(realizable);
    for (const ModeRow& r : rows) lines.push_back(mode_table_line(r));
    return lines;
}

std::string modes_csv_head() { return "k,l,m,n,status,k12,fin,f1,f2,f3,t_transfer,cycles,L1,C2,L2\n"; }

std::string modes_csv_line(const ModeRow& r) {
    // A stopped mode has no figures (empty fields) and keeps its reason: the
    // status word, and a fault's message after it, quoted where it holds a
    // comma or a quote.
    std::string status = status_word(r.status);
    if (r.status == ModeStatus::fault && !r.fault.empty()) status += ": " + r.fault;
    if (status.find_first_of(",\"") != std::string::npos) {
        std::string quoted = "\"";
        for (const char c : status) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        status = quoted + "\"";
    }
    std::string text = std::to_string(r.k) + ',' + std::to_string(r.l) + ',' + std::to_string(r.m) + ',' +
                       std::to_string(r.n) + ',' + status;
    const bool figures = r.status == ModeStatus::realizable;
    for (const long double x : {r.k12, r.fin, r.f[0], r.f[1], r.f[2], r.t_transfer, r.cycles, r.L1, r.C2, r.L2})
        text += ',' + (figures ? csv_real15(x) : std::string());
    text += '\n';
    return text;
}

std::string modes_csv(const std::vector<ModeRow>& rows) {
    std::string text = modes_csv_head();
    for (const ModeRow& r : rows) text += modes_csv_line(r);
    return text;
}

}  // namespace zelvar
