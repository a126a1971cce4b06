// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/tolerance_chart.h"

#include <algorithm>
#include <cmath>

#include "report/format.h"

namespace zelvar {

namespace {

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

// The smallest step 1, 2 or 5 × 10^k with span / step ≤ max_intervals.
long double round_step(long double span, int max_intervals) {
    const long double raw = span / max_intervals;
    long double power = std::pow(10.0L, std::floor(std::log10(raw)));
    for (;;) {
        for (const long double m : {1.0L, 2.0L, 5.0L})
            if (m * power >= raw) return m * power;
        power *= 10;
    }
}

}  // namespace

ChartAxis round_axis(long double lo, long double hi, int max_intervals) {
    ChartAxis a;
    max_intervals = std::max(1, max_intervals);
    if (!(hi > lo)) {
        const long double mid = lo;
        const long double half = mid != 0 ? std::fabs(mid) * 1e-3L : 0.5L;
        lo = mid - half;
        hi = mid + half;
    }
    for (long double span = hi - lo;;) {
        a.step = round_step(span, max_intervals);
        // (A quotient a hair off a whole number is that number.)
        a.lo = std::floor(lo / a.step + 1e-9L) * a.step;
        a.hi = std::ceil(hi / a.step - 1e-9L) * a.step;
        a.intervals = static_cast<int>(std::lround(static_cast<double>((a.hi - a.lo) / a.step)));
        if (a.intervals <= max_intervals) break;
        span = a.step * (max_intervals + 1);  // rounding outwards added a step: the next larger one
    }
    a.decimals = std::max(0, static_cast<int>(-std::floor(std::log10(a.step) + 1e-9L)));
    return a;
}

ChartAxis count_axis(std::int32_t top, int max_intervals) {
    ChartAxis a = round_axis(0, std::max<std::int32_t>(1, top), max_intervals);
    if (a.step < 1) {
        a.step = 1;
        a.hi = std::max<std::int32_t>(1, top);
    }
    a.lo = 0;
    a.hi = std::ceil(a.hi / a.step - 1e-9L) * a.step;
    a.intervals = static_cast<int>(std::lround(static_cast<double>(a.hi / a.step)));
    a.decimals = 0;
    return a;
}

HistogramChart efficiency_histogram(const ToleranceResult& r, long double threshold, int bins) {
    HistogramChart h;
    h.threshold = threshold;
    std::vector<long double> values;
    for (const RunRecord& rec : r.runs)
        if (rec.status == RunStatus::completed && std::isfinite(rec.figures.efficiency))
            values.push_back(rec.figures.efficiency);
    if (values.empty()) return h;
    const auto [lo_it, hi_it] = std::minmax_element(values.begin(), values.end());
    long double lo = *lo_it, hi = *hi_it;
    const long double span = hi > lo ? hi - lo : std::max(std::fabs(lo) * 1e-3L, 0.5L);
    if (std::isfinite(threshold) && threshold >= lo - span && threshold <= hi + span) {
        lo = std::min(lo, threshold);
        hi = std::max(hi, threshold);
    }
    h.x = round_axis(lo, hi, 10);
    h.threshold_on_axis = std::isfinite(threshold) && threshold >= h.x.lo && threshold <= h.x.hi;
    bins = std::max(1, bins);
    h.bin_width = (h.x.hi - h.x.lo) / bins;
    h.counts.assign(static_cast<std::size_t>(bins), 0);
    for (const long double v : values) {
        const long double pos = (v - h.x.lo) / h.bin_width;
        const int b = std::clamp(static_cast<int>(std::floor(pos)), 0, bins - 1);
        ++h.counts[static_cast<std::size_t>(b)];
    }
    h.y = count_axis(*std::max_element(h.counts.begin(), h.counts.end()), 8);
    return h;
}

ToleranceTable tolerance_table(const ToleranceResult& r, const ToleranceSettings& s) {
    ToleranceTable t;
    const ToleranceSummary sum = summarize(r, s.threshold);
    t.stats_head = {"Figure", "Mean", "Std. dev.", "Minimum", "5 %", "50 %", "95 %", "Maximum"};
    const struct {
        const char* name;
        const FigureStats* stats;
        bool fixed;
    } figures[] = {{"Efficiency (%)", &sum.efficiency, true},
                   {"Share of C3 (%)", &sum.share_c3, true},
                   {"|V3| peak (V)", &sum.v3_peak_magnitude, true},
                   {"Time of peak (s)", &sum.t_peak, false}};
    if (sum.completed > 0)
        for (const auto& f : figures) {
            std::vector<std::string> row = {f.name};
            const FigureStats& st = *f.stats;
            for (const long double x : {st.mean, st.std_dev, st.min, st.p5, st.p50, st.p95, st.max})
                row.push_back(trimmed(f.fixed ? F(x, 17, 8) : E(x, 17)));
            t.stats.push_back(row);
        }
    t.yield = "Yield: " + I(sum.passed) + " of " + I(sum.finished) + " runs (" + F(sum.yield, 8, 4) +
              " %) reach an efficiency of " + F(s.threshold, 0, 4) + " %";
    t.sensitivity_head = {"Element", "Tolerance (%)", "Efficiency at -tol (%)", "Change", "Efficiency at +tol (%)",
                          "Change"};
    const auto figure = [](const RunRecord& rec, long double x) {
        return rec.status == RunStatus::completed ? trimmed(F(x, 9, 4)) : std::string("(failed: ") + rec.message + ")";
    };
    const auto change = [](const RunRecord& rec, long double x) {
        return rec.status == RunStatus::completed ? trimmed(F(x, 8, 4)) : std::string();
    };
    for (const SensitivityRow& row : r.sensitivity)
        t.sensitivity.push_back({tolerance_element_name(row.element), F(row.tol, 0, 4),
                                 figure(row.low, row.low.figures.efficiency), change(row.low, row.change_low),
                                 figure(row.high, row.high.figures.efficiency), change(row.high, row.change_high)});
    return t;
}

}  // namespace zelvar
