// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/response_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zelvar {

namespace {

constexpr long double kLeft = 70, kRight = 16, kTop = 22, kBottom = 44, kGap = 22;
constexpr long double kLabelWidth = 60;  // a frequency label's box
constexpr long double kLabelSpace = 8;   // at least this between two of them

struct Scale {
    long double (*value)(const ResponsePoint&);
    bool log_scale;
    long double step;
    long double lo = 0, hi = 1;  // in scale units (decades for a log scale)
};

long double v3_value(const ResponsePoint& p) { return p.v3_db; }
long double zin_value(const ResponsePoint& p) { return p.zin_ohm; }
long double phase_value(const ResponsePoint& p) { return p.zin_deg; }

bool shown(const Scale& s, long double v) { return std::isfinite(v) && (!s.log_scale || v > 0); }
long double scaled(const Scale& s, long double v) { return s.log_scale ? std::log10(v) : v; }

// The range of the values shown, widened to whole steps.
void fit(Scale& s, const std::vector<ResponsePoint>& curve, std::size_t first, std::size_t last) {
    long double lo = HUGE_VALL, hi = -HUGE_VALL;
    for (std::size_t i = first; i <= last; ++i) {
        const long double v = s.value(curve[i]);
        if (!shown(s, v)) continue;
        lo = std::min(lo, scaled(s, v));
        hi = std::max(hi, scaled(s, v));
    }
    if (!(lo <= hi)) lo = 0, hi = 1;
    s.lo = std::floor(lo / s.step) * s.step;
    s.hi = std::ceil(hi / s.step) * s.step;
    if (!(s.hi > s.lo)) s.hi = s.lo + s.step;
}

std::string number_text(long double v, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*Lf", decimals, v);
    return text;
}

std::string frequency_text(long double f) {
    char text[64];
    if (f >= 1e6L)
        std::snprintf(text, sizeof text, "%.3LgM", f / 1e6L);
    else if (f >= 1e3L)
        std::snprintf(text, sizeof text, "%.3Lgk", f / 1e3L);
    else
        std::snprintf(text, sizeof text, "%.3Lg", f);
    return text;
}

}  // namespace

long double quality_factor(const NaturalFrequency& n) {
    if (n.decay == 0) return HUGE_VALL;
    const long double w = 2 * 3.14159265358979323846264338327950288L * n.f;
    return std::sqrt(n.decay * n.decay + w * w) / (2 * n.decay);
}

long double response_x(const ResponseLayout& l, long double f) {
    const long double lo = std::log10(l.f_lo), hi = std::log10(l.f_hi);
    return l.left + (std::log10(f) - lo) / (hi - lo) * l.width;
}

long double response_f(const ResponseLayout& l, long double x) {
    const long double lo = std::log10(l.f_lo), hi = std::log10(l.f_hi);
    return std::pow(10.0L, lo + (x - l.left) * (hi - lo) / l.width);
}

ResponseLayout layout_response(const std::vector<ResponsePoint>& curve, const std::vector<NaturalFrequency>& marks,
                               long double fin, int width, int height, ResponseView view,
                               const std::string& message) {
    ResponseLayout l;
    l.left = kLeft;
    l.top = kTop;
    l.width = std::max<long double>(10, width - kLeft - kRight);
    l.height = std::max<long double>(30, height - kTop - kBottom);
    l.message = message;
    if (curve.size() < 2) return l;
    // The points in view.
    l.f_lo = curve.front().f;
    l.f_hi = curve.back().f;
    if (view.from > 0 && view.to > view.from) {
        l.f_lo = std::max(l.f_lo, view.from);
        l.f_hi = std::min(l.f_hi, view.to);
    }
    if (!(l.f_hi > l.f_lo)) {
        l.f_lo = curve.front().f;
        l.f_hi = curve.back().f;
    }
    std::size_t first = 0, last = curve.size() - 1;
    while (first + 1 < curve.size() && curve[first + 1].f <= l.f_lo) ++first;
    while (last > first + 1 && curve[last - 1].f >= l.f_hi) --last;
    l.drawn = true;
    l.message.clear();

    Scale scales[3] = {{v3_value, false, 20}, {zin_value, true, 1}, {phase_value, false, 45}};
    const char* titles[3] = {"|V3/Vin| (dB)", "|Zin| (\u03a9)", "phase Zin (\u00b0)"};
    fit(scales[0], curve, first, last);
    fit(scales[1], curve, first, last);
    scales[2].lo = -90;
    scales[2].hi = 90;
    const long double inner = l.height - 2 * kGap;
    const long double heights[3] = {std::floor(inner * 2 / 5), std::floor(inner * 2 / 5),
                                    inner - 2 * std::floor(inner * 2 / 5)};

    // Frequency grid: 1 to 9 times each decade; labels at 1, 2 and 5 where
    // they do not run into the one before.
    long double last_label_right = -HUGE_VALL;
    for (long double decade = std::pow(10.0L, std::floor(std::log10(l.f_lo))); decade <= l.f_hi; decade *= 10)
        for (int m = 1; m <= 9; ++m) {
            const long double f = m * decade;
            if (f < l.f_lo || f > l.f_hi) continue;
            const long double x = response_x(l, f);
            l.columns.push_back(x);
            if (m != 1 && m != 2 && m != 5) continue;
            PlotLabel label{x - kLabelWidth / 2, l.top + l.height + 4, kLabelWidth, 16, frequency_text(f), 0};
            // The label's text is narrower than its box: judge by half the box.
            if (x - kLabelWidth / 4 < last_label_right + kLabelSpace) continue;
            last_label_right = x + kLabelWidth / 4;
            l.f_labels.push_back(label);
        }
    l.axis_title = {l.left, l.top + l.height + 22, l.width, 16, "Frequency (Hz)", 0};

    for (const NaturalFrequency& n : marks)
        if (n.f >= l.f_lo && n.f <= l.f_hi) {
            l.resonance_x.push_back(response_x(l, n.f));
            l.marks.push_back({l.resonance_x.back() + 3, l.top + 1, 40, 14,
                               "f" + std::to_string(&n - marks.data() + 1), -1});
        }
    l.fin_shown = fin >= l.f_lo && fin <= l.f_hi;
    if (l.fin_shown) {
        l.fin_x = response_x(l, fin);
        l.marks.push_back({l.fin_x + 3, l.top + 15, 40, 14, "fin", -1});
    }

    long double top = l.top;
    for (int p = 0; p < 3; ++p) {
        const Scale& s = scales[p];
        ResponsePanel& panel = l.panels[p];
        panel.title = titles[p];
        panel.left = l.left;
        panel.top = top;
        panel.width = l.width;
        panel.height = heights[p];
        const auto y_of = [&](long double v) { return top + panel.height - (v - s.lo) / (s.hi - s.lo) * panel.height; };
        const int rows = static_cast<int>(std::lround(static_cast<double>((s.hi - s.lo) / s.step)));
        for (int r = 0; r <= rows; ++r) {
            const long double v = s.lo + r * s.step;
            panel.rows.push_back(y_of(v));
            const std::string text =
                s.log_scale ? "1e" + std::to_string(static_cast<long>(std::lround(static_cast<double>(v))))
                            : number_text(v, 0);
            panel.labels.push_back({0, y_of(v) - 8, kLeft - 4, 16, text, 1});
        }
        std::vector<PlotPoint> path;
        for (std::size_t i = first; i <= last; ++i) {
            const long double v = s.value(curve[i]);
            if (!shown(s, v)) {
                if (!path.empty()) panel.paths.push_back(std::move(path));
                path.clear();
                continue;
            }
            const long double y = std::clamp(y_of(scaled(s, v)), top - 1, top + panel.height + 1);
            path.push_back({response_x(l, curve[i].f), y});
        }
        if (!path.empty()) panel.paths.push_back(std::move(path));
        top += panel.height + kGap;
    }
    return l;
}

int response_index_at(const ResponseLayout& l, const std::vector<ResponsePoint>& curve, long double x) {
    if (!l.drawn || curve.size() < 2 || x < l.left || x > l.left + l.width) return -1;
    const long double f = response_f(l, x);
    const auto above = std::lower_bound(curve.begin(), curve.end(), f,
                                        [](const ResponsePoint& p, long double g) { return p.f < g; });
    if (above == curve.begin()) return 0;
    if (above == curve.end()) return static_cast<int>(curve.size()) - 1;
    const auto below = above - 1;
    const long double d_above = std::log(above->f / f);
    const long double d_below = std::log(f / below->f);
    return static_cast<int>((d_below <= d_above ? below : above) - curve.begin());
}

bool response_zoom(const ResponseLayout& l, long double x0, long double x1, ResponseView& view) {
    if (!l.drawn || std::fabs(x1 - x0) < 3) return false;
    const long double a = std::clamp(std::min(x0, x1), l.left, l.left + l.width);
    const long double b = std::clamp(std::max(x0, x1), l.left, l.left + l.width);
    if (b - a < 3) return false;
    view.from = response_f(l, a);
    view.to = response_f(l, b);
    return true;
}

}  // namespace zelvar
