#include "fit/retune.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "app/faults.h"

namespace zelvar::fit {

namespace {

constexpr long double kTwoPi = 2 * std::numbers::pi_v<long double>;

// One root of the start's equation: s, q = 1 − k² and ω1².
struct StartRoot {
    long double s = 0, q = 0, w1 = 0;
};

// The run of one candidate, its efficiency filled in.
RetunePoint evaluate(const SimParams& run, const ElementValues& built, RetunePoint p) {
    p.completed = false;
    p.efficiency = 0;
    ElementValues v = built;
    v.L1 = p.L1, v.C1 = p.C1, v.k12 = p.k12;
    if (!(v.k12 > 0 && v.k12 < 1)) return p;
    LineCollector discarded;
    SimParams q = with_retune(with_elements(run, v), p);
    q.find_maxima = false;
    const RunRecord rec = run_with_figures(q, discarded);
    if (rec.status == RunStatus::completed && std::isfinite(rec.figures.efficiency)) {
        p.completed = true;
        p.efficiency = rec.figures.efficiency;
        p.t_peak = rec.figures.t_peak;
    }
    return p;
}

bool better(const RetunePoint& a, const RetunePoint& b) {
    return a.completed && (!b.completed || a.efficiency > b.efficiency);
}

}  // namespace

SimParams with_retune(SimParams run, const RetunePoint& p) {
    run.L1 = p.L1, run.C1 = p.C1, run.k12 = p.k12, run.fin = p.fin, run.tstop = p.tstop;
    return run;
}

bool mode_ratio_start(const ElementValues& design, const ElementValues& built, PrimaryKnob knob, long double fin,
                      long double tstop, RetunePoint& start) {
    const FpEnvironment fp_environment;
    const std::vector<long double> fd = setup_frequencies(design, Setup::whole);
    check_network(built);
    const long double sd = (kTwoPi * fd[0]) * (kTwoPi * fd[0]);
    long double rho[3];
    for (int i = 0; i < 3; ++i) rho[i] = (fd[i] / fd[0]) * (fd[i] / fd[0]);
    const long double e1 = rho[0] + rho[1] + rho[2];
    const long double e2 = rho[0] * rho[1] + rho[0] * rho[2] + rho[1] * rho[2];
    const long double e3 = rho[0] * rho[1] * rho[2];
    const long double a = 1 / (built.L2 * built.C2), b = 1 / (built.L3 * built.C3);
    const long double c = (1 + built.C3 / built.C2) * b;
    // q(s), and h(s) = 0 at a root; false where q is not in (0, 1).
    auto at = [&](long double s, StartRoot& root) {
        const long double den = s * e1 - c - s * s * s * e3 / (a * b);
        if (!(den > 0)) return false;
        root.s = s;
        root.q = a / den;
        root.w1 = root.q * s * s * s * e3 / (a * b);
        return root.q > 0 && root.q < 1 && root.w1 > 0;
    };
    auto h = [&](const StartRoot& r) { return r.q * (r.s * r.s * e2 - r.s * r.s * r.s * e3 * (a + c) / (a * b)) - a * b; };

    std::vector<StartRoot> roots;
    constexpr int kScan = 4000;
    StartRoot prev;
    bool prev_valid = false;
    for (int i = 0; i <= kScan; ++i) {
        const long double s = a * std::pow(10.0L, -2 + 3.0L * i / kScan);
        StartRoot cur;
        const bool valid = at(s, cur);
        if (valid && prev_valid && std::signbit(h(cur)) != std::signbit(h(prev))) {
            long double lo = prev.s, hi = cur.s;
            const bool lo_negative = std::signbit(h(prev));
            StartRoot mid = cur;
            for (int it = 0; it < 200 && hi - lo > 1e-18L * hi; ++it) {
                const long double m = (lo + hi) / 2;
                if (!at(m, mid)) break;
                if (std::signbit(h(mid)) == lo_negative)
                    lo = m;
                else
                    hi = m;
            }
            if (at((lo + hi) / 2, mid)) roots.push_back(mid);
        }
        prev = cur;
        prev_valid = valid;
    }
    if (roots.empty()) return false;
    const StartRoot* chosen = &roots[0];
    for (const StartRoot& r : roots)
        if (std::fabs(std::sqrt(1 - r.q) - built.k12) < std::fabs(std::sqrt(1 - chosen->q) - built.k12)) chosen = &r;
    start.C1 = built.C1;
    start.L1 = built.L1;
    if (knob == PrimaryKnob::L1)
        start.L1 = 1 / (chosen->w1 * built.C1);
    else
        start.C1 = 1 / (chosen->w1 * built.L1);
    start.k12 = std::sqrt(1 - chosen->q);
    start.fin = fin * std::sqrt(chosen->s / sd);
    start.tstop = tstop * std::sqrt(sd / chosen->s);
    return true;
}

RetuneResult retune(const SimParams& run, const ElementValues& design, const ElementValues& built,
                    const RetuneSettings& settings, RetuneControl* control) {
    check_network(design);
    check_network(built);
    RetuneControl local;
    RetuneControl& ctl = control != nullptr ? *control : local;
    ctl.runs = 0;
    RetuneResult result;

    auto count = [&](const RetunePoint& p) {
        ++result.runs;
        ctl.runs.fetch_add(1);
        return p;
    };
    RetunePoint as_built;
    as_built.L1 = built.L1, as_built.C1 = built.C1, as_built.k12 = built.k12, as_built.fin = run.fin,
    as_built.tstop = run.tstop;
    result.as_built = count(evaluate(run, built, as_built));
    result.best = result.as_built;
    // The search starts from the better of the as-built point and the
    // closed-form start.  A driver that runs on past the peak of v3 is, for
    // the search, stopped at that peak (the run up to it is the same), so
    // that moving the stop changes the run.
    RetunePoint from = result.as_built;
    if (result.as_built.completed && run.tstop > result.as_built.t_peak) {
        RetunePoint stopped = result.as_built;
        stopped.tstop = result.as_built.t_peak;
        stopped = count(evaluate(run, built, stopped));
        if (better(stopped, result.best)) result.best = stopped;
        from = stopped.completed ? stopped : from;
    }
    result.start = result.as_built;
    RetunePoint start;
    if (mode_ratio_start(design, built, settings.knob, run.fin, run.tstop, start)) {
        // The stop follows the lowest mode only where the driver stops
        // before the peak.
        if (!(run.tstop < result.as_built.t_peak)) start.tstop = from.tstop;
        result.start_found = true;
        result.start = count(evaluate(run, built, start));
        if (better(result.start, result.best)) result.best = result.start;
        if (better(result.start, from)) from = result.start;
    }

    // The search's coordinates: ln of the knob, k12, fin and stop.
    constexpr int d = 4;
    const long double knob0 = settings.knob == PrimaryKnob::L1 ? built.L1 : built.C1;
    const long double lo[4] = {std::log(knob0 / 3), std::log(0.01L), std::log(run.fin * 0.7L),
                               std::log(run.tmax / 100)};
    const long double hi[4] = {std::log(knob0 * 3), std::log(0.9L), std::log(run.fin * 1.4L), std::log(run.tmax)};
    auto to_point = [&](const std::vector<long double>& x) {
        RetunePoint p = result.as_built;
        (settings.knob == PrimaryKnob::L1 ? p.L1 : p.C1) = std::exp(x[0]);
        p.k12 = std::exp(x[1]);
        p.fin = std::exp(x[2]);
        p.tstop = std::exp(x[3]);
        return p;
    };
    auto project = [&](std::vector<long double>& x) {
        for (int j = 0; j < d; ++j) x[j] = std::clamp(x[j], lo[j], hi[j]);
    };
    struct Vertex {
        std::vector<long double> x;
        long double f = 0;  // −efficiency; 1000 for a run that did not complete
        RetunePoint p;
    };
    auto run_at = [&](std::vector<long double> x) {
        project(x);
        Vertex v;
        v.p = count(evaluate(run, built, to_point(x)));
        v.x = std::move(x);
        v.f = v.p.completed ? -v.p.efficiency : 1000;
        if (better(v.p, result.best)) result.best = v.p;
        return v;
    };

    std::vector<long double> x0 = {std::log(settings.knob == PrimaryKnob::L1 ? from.L1 : from.C1),
                                   std::log(from.k12), std::log(from.fin)};
    x0.push_back(std::log(std::min(from.tstop, run.tmax)));
    const long double step[4] = {0.03L, 0.05L, 0.01L, 0.05L};
    std::vector<Vertex> simplex;
    {
        Vertex v0;
        v0.x = x0;
        project(v0.x);
        v0.p = from;
        v0.f = from.completed ? -from.efficiency : 1000;
        simplex.push_back(v0);
    }
    for (int j = 0; j < d; ++j) {
        std::vector<long double> x = x0;
        x[j] += step[j];
        simplex.push_back(run_at(x));
    }
    auto cancelled = [&] { return ctl.cancel.load(); };
    while (result.runs < settings.max_runs && !cancelled()) {
        std::sort(simplex.begin(), simplex.end(), [](const Vertex& a, const Vertex& b) { return a.f < b.f; });
        long double spread = 0;
        for (int j = 0; j < d; ++j)
            for (const Vertex& v : simplex) spread = std::max(spread, std::fabs(v.x[j] - simplex[0].x[j]));
        if (simplex.back().f - simplex[0].f < 1e-7L && spread < 1e-6L) break;
        std::vector<long double> centroid(d, 0);
        for (int k = 0; k < d; ++k)
            for (int j = 0; j < d; ++j) centroid[j] += simplex[k].x[j] / d;
        auto along = [&](long double t) {
            std::vector<long double> x(d);
            for (int j = 0; j < d; ++j) x[j] = centroid[j] + t * (simplex[d].x[j] - centroid[j]);
            return x;
        };
        const Vertex reflected = run_at(along(-1));
        if (reflected.f < simplex[0].f) {
            const Vertex expanded = run_at(along(-2));
            simplex[d] = expanded.f < reflected.f ? expanded : reflected;
        } else if (reflected.f < simplex[d - 1].f) {
            simplex[d] = reflected;
        } else {
            const bool outside = reflected.f < simplex[d].f;
            const Vertex contracted = run_at(along(outside ? -0.5L : 0.5L));
            if (contracted.f < std::min(reflected.f, simplex[d].f)) {
                simplex[d] = contracted;
            } else {
                for (int k = 1; k <= d && !cancelled(); ++k) {
                    std::vector<long double> x(d);
                    for (int j = 0; j < d; ++j) x[j] = simplex[0].x[j] + (simplex[k].x[j] - simplex[0].x[j]) / 2;
                    simplex[k] = run_at(x);
                }
            }
        }
    }
    result.cancelled = cancelled();
    return result;
}

}  // namespace zelvar::fit
