#include "sim/sim_run.h"

#include "app/faults.h"
#include "sim/circuit_model.h"
#include "sim/maxima_report.h"
#include "sim/source_voltage.h"
#include "sim/step_matrix.h"

namespace zelvar {

namespace {

// The entries of one matrix row that are not exactly zero, in column order.
// A product with an entry of ±0 adds ±0 to a running sum that is never −0,
// which leaves the sum as it is; so skipping those entries changes no bit of
// the results as long as every value stays finite (and a value that does not
// aborts the run at the next check).
struct SparseRow {
    int n = 0;
    int col[kStates] = {};
    long double val[kStates] = {};
};

void sparse_rows(const Matrix7& M, SparseRow (&rows)[kStates]) {
    for (int r = 0; r < kStates; ++r) {
        rows[r].n = 0;
        for (int c = 0; c < kStates; ++c)
            if (M[r][c] != 0) {
                rows[r].col[rows[r].n] = c;
                rows[r].val[rows[r].n] = M[r][c];
                ++rows[r].n;
            }
    }
}

}  // namespace

bool run_simulation(const SimParams& p, SimState& state, ReportSink& log) {
    fp_clear();
    state.results_valid = false;
    ViewRecord& view = state.view;
    view.t0 = 0;
    view.t1 = p.tmax;

    // Points check: at least 50 internal steps per period of the source.
    const std::int32_t total_steps = imul(p.points, p.steps);
    const long double periods = p.tmax * p.fin;
    const long double steps_per_period = static_cast<long double>(total_steps) / periods;
    fp_check();
    if (steps_per_period < 50) {
        report_line(log, "Too few points (increase points or internal steps or decrease max time).");
        return false;
    }
    if (p.points > kStoreCapacity) {
        report_line(log, "Too many points.");
        return false;
    }
    const std::int32_t n_points = p.points;
    state.samples.count = n_points;

    const long double h = (view.t1 - view.t0) / imul(isub(n_points, 1), p.steps);
    fp_check();
    view.ymin = 1e12L;
    view.ymax = -1e12L;

    const CircuitModel model = build_model(p);
    Matrix7 Q;
    build_step_matrix(model.A, h, Q);
    if (!invert_in_place(kStates, Q, log)) return false;

    long double x[kStates] = {p.VC10, 0, 0, 0, 0, 0, 0};
    long double t = 0;
    long double u = 0;
    long double u_prev = 0;
    long double i_fb = 0;
    MaximaTracker maxima;
    maxima.start(p.VC10);

    fp_check();
    SampleStore& store = state.samples;
    store.time[1] = 0;
    store.values[1][0] = 0;
    store.values[1][1] = p.VC10;
    for (int v = 2; v < 8; ++v) store.values[1][v] = 0;

    if (n_points >= 2) {
        const long double h2 = h / 2;
        SparseRow arow[kStates];
        SparseRow qrow[kStates];
        sparse_rows(model.A, arow);
        sparse_rows(Q, qrow);
        // (h/2)·B_r, the same product every step forms first.
        long double hb[kStates] = {};
        if (p.steps >= 1) {
            for (int r = 0; r < kStates; ++r)
                if (model.B[r] != 0) hb[r] = h2 * model.B[r];
            // A VC1(0) of −0 enters the steps as +0 (sample 1 and the maxima
            // keep it as entered).  The full sums turn it into +0 within the
            // first two terms of row 1 and elsewhere only multiply it by
            // entries whose ±0 products vanish in sums that start at +0.
            if (x[0] == 0) x[0] = 0;
        }
        long double w[kStates];

        for (std::int32_t i = 2; i <= n_points; ++i) {
            for (std::int32_t s = 0; s < p.steps; ++s) {
                const long double t_next = t + h;
                u = source_voltage(p, t_next, i_fb);
                const long double u_sum = u + u_prev;
                // w = (I + (h/2)·A)·x + (h/2)·B·(u + u_prev)
                for (int r = 0; r < kStates; ++r) {
                    long double acc = x[r];
                    const SparseRow& row = arow[r];
                    for (int k = 0; k < row.n; ++k) acc = (row.val[k] * x[row.col[k]]) * h2 + acc;
                    if (hb[r] != 0) acc = hb[r] * u_sum + acc;
                    w[r] = acc;
                }
                // x = Q·w
                for (int r = 0; r < kStates; ++r) {
                    long double acc = 0;
                    const SparseRow& row = qrow[r];
                    for (int k = 0; k < row.n; ++k) acc = row.val[k] * w[row.col[k]] + acc;
                    x[r] = acc;
                }
                t = t_next;
                u_prev = u;
                i_fb = x[4];
            }
            fp_check();
            store.time[i] = t;
            store.values[i][0] = u;
            for (int j = 0; j < kStates; ++j) store.values[i][j + 1] = x[j];
            for (int j = 0; j < kStates; ++j) {
                maxima.update(j, x, t);
                if (x[j] > view.ymax)
                    view.ymax = x[j];
                else if (x[j] < view.ymin)
                    view.ymin = x[j];
            }
        }
    }

    fp_check();
    state.save_ref_enabled = true;
    if (p.use_vmax) {
        view.ymax = p.Vmax;
        view.ymin = -p.Vmax;
    }
    if (p.find_maxima) write_maxima_report(maxima, p.C1, p.C2, p.C3, log);
    fp_check();
    state.results_valid = true;
    return true;
}

}  // namespace zelvar
