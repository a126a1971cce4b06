// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot/plot_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "app/faults.h"

using namespace zelvar;

namespace {

ViewRecord view_of(long double t0, long double t1, long double ymin, long double ymax) {
    ViewRecord v;
    v.t0 = t0;
    v.t1 = t1;
    v.ymin = ymin;
    v.ymax = ymax;
    return v;
}

std::vector<long double> grid(long double lo, long double hi) {
    long double g[kMaxGridLines];
    const int n = decade_grid(lo, hi, g, kMaxGridLines);
    return std::vector<long double>(g, g + n);
}

std::int32_t px(long double v) {
    std::int32_t p = -1;
    EXPECT_TRUE(round_pixel(v, p));
    return p;
}

}  // namespace

TEST(PlotGeometry, WorkedAreaMappingAndGrid) {
    const PlotArea a = plot_area(632, 476);
    EXPECT_EQ(a.x0, 80);
    EXPECT_EQ(a.x1, 622);
    EXPECT_EQ(a.y0, 10);
    EXPECT_EQ(a.y1, 456);

    const ViewRecord v = view_of(0, 1.5e-5L, -150000, 150000);
    const PixelMap m = pixel_map(a, v);
    EXPECT_LT(m.ay, 0);
    EXPECT_EQ(px(m.ax * v.t0 + m.bx), 80);
    EXPECT_EQ(px(m.ax * v.t1 + m.bx), 622);
    EXPECT_EQ(px(m.ay * v.ymin + m.by), 456);
    EXPECT_EQ(px(m.ay * v.ymax + m.by), 10);

    // Time grid: step 10 us, lines at 0 and 1E-5 (x = Round(441.33)).
    const auto tg = grid(v.t0, v.t1);
    ASSERT_EQ(tg.size(), 2u);
    EXPECT_EQ(tg[0], 0);
    EXPECT_EQ(px(m.ax * tg[0] + m.bx), 80);
    EXPECT_EQ(px(m.ax * tg[1] + m.bx), 441);

    // Value grid: -100000, 0, 100000 at y = 382, 233, 84.
    const auto vg = grid(v.ymin, v.ymax);
    ASSERT_EQ(vg.size(), 3u);
    EXPECT_EQ(vg[0], -100000);
    EXPECT_EQ(vg[1], 0);
    EXPECT_EQ(vg[2], 100000);
    EXPECT_EQ(px(m.ay * vg[0] + m.by), 382);
    EXPECT_EQ(px(m.ay * vg[1] + m.by), 233);
    EXPECT_EQ(px(m.ay * vg[2] + m.by), 84);
}

TEST(PlotGeometry, DecadeRule) {
    // Nothing on a span that is not positive.
    EXPECT_TRUE(grid(5, 5).empty());
    EXPECT_TRUE(grid(5, 4).empty());
    EXPECT_TRUE(grid(0, std::numeric_limits<long double>::quiet_NaN()).empty());
    // The first multiple from lo upwards, ties of Round to even: lo/step = 1
    // gives 2, lo/step = 2 gives 2; a line exactly at hi is never drawn.
    EXPECT_EQ(grid(1, 9), (std::vector<long double>{2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(grid(2, 10), (std::vector<long double>{2, 3, 4, 5, 6, 7, 8, 9}));
    // At most ten lines.
    EXPECT_EQ(grid(0, 9.99L).size(), 10u);
    // A span a millionth of a decade short still counts as the next decade...
    EXPECT_EQ(grid(0, 999.9995L), (std::vector<long double>{0}));
    // ...but not more than that.
    const auto g = grid(0, 999.997L);
    ASSERT_EQ(g.size(), 10u);
    EXPECT_EQ(g[1], 100);
    // Negative ranges.
    EXPECT_EQ(grid(-40, -5), (std::vector<long double>{-40, -30, -20, -10}));
    EXPECT_EQ(grid(-30, -5), (std::vector<long double>{-20, -10}));  // -3 is odd
    // The step is the real nearest to 10^e (a library power may miss it by
    // a unit in the last place), and the lines are its repeated sums.
    long double ten_power = 1;
    for (int k = 1; k <= 27; ++k) {
        ten_power *= 10;  // exact up to 10^27
        EXPECT_EQ(decade_step(k), ten_power) << k;
        EXPECT_EQ(decade_step(-k), 1 / ten_power) << -k;
    }
    EXPECT_EQ(decade_step(0), 1);
    const long double hundredth = 1 / 100.0L;
    const auto h = grid(-10 / 100.0L, -6 / 100.0L);
    ASSERT_EQ(h.size(), 5u);
    EXPECT_EQ(h[0], -10 * hundredth);
    EXPECT_EQ(h[1], -10 * hundredth + hundredth);
    EXPECT_EQ(h[4], -10 * hundredth + hundredth + hundredth + hundredth + hundredth);
    // A step far below the precision of lo stops instead of looping.
    EXPECT_LE(grid(1e10L, 1e10L + 1e-8L).size(), static_cast<std::size_t>(kMaxGridLines));
}

TEST(PlotGeometry, ClampsRoundTiesToEvenAndNeverLeaveTheArea) {
    EXPECT_EQ(clamp_coord(622.000001L, 80, 622), 622);
    EXPECT_EQ(clamp_coord(1e300L, 80, 622), 622);
    EXPECT_EQ(clamp_coord(std::numeric_limits<long double>::infinity(), 80, 622), 622);
    EXPECT_EQ(clamp_coord(621.5L, 80, 622), 622);
    EXPECT_EQ(clamp_coord(620.5L, 80, 622), 620);
    EXPECT_EQ(clamp_coord(80.5L, 80, 622), 80);
    EXPECT_EQ(clamp_coord(81.5L, 80, 622), 82);
    EXPECT_EQ(clamp_coord(80, 80, 622), 80);
    EXPECT_EQ(clamp_coord(79.9999L, 80, 622), 80);
    EXPECT_EQ(clamp_coord(-1e300L, 80, 622), 80);
    EXPECT_EQ(clamp_coord(-std::numeric_limits<long double>::infinity(), 80, 622), 80);
    EXPECT_EQ(clamp_coord(std::numeric_limits<long double>::quiet_NaN(), 80, 622), 80);
    const PlotArea a = plot_area(632, 476);
    EXPECT_EQ(clamp_x(700, a), 622);
    EXPECT_EQ(clamp_y(700, a), 456);
    EXPECT_EQ(clamp_y(-3, a), 10);

    std::int32_t p = 0;
    EXPECT_FALSE(round_pixel(std::numeric_limits<long double>::quiet_NaN(), p));
    EXPECT_FALSE(round_pixel(3e9L, p));
    EXPECT_TRUE(round_pixel(-2147483648.4L, p));
    EXPECT_EQ(p, -2147483647 - 1);
}

TEST(PlotGeometry, FlatRangeWideningAndLabels) {
    ViewRecord v = view_of(0, 1.5e-5L, 0, 0);
    widen_flat_range(v);
    EXPECT_EQ(v.ymin, 0);
    EXPECT_EQ(v.ymax, 1);
    widen_flat_range(v);  // no longer flat: stays
    EXPECT_EQ(v.ymax, 1);
    RangeLabels l = range_labels(v);
    EXPECT_EQ(l.value_top, " 1.0E+0000");
    EXPECT_EQ(l.value_bottom, " 0.0E+0000");
    EXPECT_EQ(l.time_end, " 1.500E-0005");
    EXPECT_EQ(l.time_start, " 0.000E+0000");

    v = view_of(-2.5e-6L, 1e-5L, -150000, 150000);
    l = range_labels(v);
    EXPECT_EQ(l.value_top, " 1.5E+0005");
    EXPECT_EQ(l.value_bottom, "-1.5E+0005");
    EXPECT_EQ(l.time_start, "-2.500E-0006");
}

TEST(PlotGeometry, LegendTexts) {
    EXPECT_EQ(legend_text(0, 1), "Vinx1");
    EXPECT_EQ(legend_text(1, 1), "VC1x1");
    EXPECT_EQ(legend_text(5, 1000), "IL1x1000");
    EXPECT_EQ(legend_text(7, 0.4L), "IL3x0");
    EXPECT_EQ(legend_text(2, 0.5L), "VC2x0");
    EXPECT_EQ(legend_text(3, 2.5L), "VC3x2");
    EXPECT_EQ(legend_text(4, -3.5L), "VCLx-4");
    EXPECT_EQ(legend_text(6, -2147483648.4L), "IL2x-2147483648");
    // The rounded value no longer fits 32 bits: scientific notation.
    EXPECT_EQ(legend_text(6, 2147483647.5L), "IL2x 2.147E+0009");
    EXPECT_EQ(legend_text(4, -3e12L), "VCLx-3.000E+0012");
    EXPECT_EQ(legend_text(0, std::numeric_limits<long double>::quiet_NaN()), "Vinx         Nan");

    const char* names[8] = {"Vin", "VC1", "VC2", "VC3", "VCL", "IL1", "IL2", "IL3"};
    for (int c = 0; c < kChannelRows; ++c) {
        EXPECT_STREQ(kChannelTable[c].name, names[c]);
        EXPECT_EQ(kChannelTable[c].value, c);
        EXPECT_EQ(kChannelTable[c].pen_width, 1);
    }
}

namespace {

// What a polyline covers, on the pixel grid: the points of each maximal run
// in one column give that column's vertical extent; the segments between
// two columns are drawn as they are.
struct Coverage {
    std::vector<std::pair<std::int32_t, std::pair<std::int32_t, std::int32_t>>> runs;  // x, (min, max)
    std::set<std::pair<std::pair<int, int>, std::pair<int, int>>> transits;
    bool operator==(const Coverage&) const = default;
};

Coverage coverage(const std::vector<PixelPoint>& p) {
    Coverage c;
    for (std::size_t i = 0; i < p.size();) {
        std::size_t j = i;
        std::int32_t lo = p[i].y, hi = p[i].y;
        while (j + 1 < p.size() && p[j + 1].x == p[i].x) {
            ++j;
            lo = std::min(lo, p[j].y);
            hi = std::max(hi, p[j].y);
        }
        c.runs.push_back({p[i].x, {lo, hi}});
        if (j + 1 < p.size()) c.transits.insert({{p[j].x, p[j].y}, {p[j + 1].x, p[j + 1].y}});
        i = j + 1;
    }
    return c;
}

std::vector<PixelPoint> reduced(const std::vector<PixelPoint>& in) {
    std::vector<PixelPoint> out(in.size() + 1);
    out.resize(reduce_columns(in.data(), static_cast<std::int32_t>(in.size()), out.data()));
    return out;
}

}  // namespace

TEST(PlotGeometry, ColumnReductionKeepsEveryPixelAndNoMore) {
    // One column: its first and last segments, the top row, and the lowest
    // row where the curve turned back up from it.
    auto r = reduced({{5, 7}, {5, 2}, {5, 9}, {5, 1}, {5, 11}, {5, 12}, {5, 9}, {5, 8}});
    ASSERT_EQ(r.size(), 6u);
    const int expect1[] = {7, 2, 1, 12, 9, 8};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(r[i].y, expect1[i]) << i;
    // Repeated points go, except at the start and the end of the polyline;
    // the lowest row only at an end of the run is not visited again.
    r = reduced({{5, 12}, {5, 12}, {5, 4}, {5, 9}, {5, 3}, {5, 6}, {5, 6}, {5, 5}, {6, 5}});
    ASSERT_EQ(r.size(), 7u);
    const int expect2[] = {12, 12, 4, 3, 6, 5, 5};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(r[i].y, expect2[i]) << i;
    EXPECT_EQ(r[6].x, 6);
    r = reduced({{5, 1}, {6, 3}, {6, 3}, {6, 3}});
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[2].x, 6);
    EXPECT_EQ(r[2].y, 3);
    // Four points or fewer stay as they are.
    r = reduced({{5, 1}, {5, 9}, {5, 3}, {5, 4}, {6, 4}});
    ASSERT_EQ(r.size(), 5u);
    // Two points never become more than two.
    r = reduced({{5, 5}, {5, 3}});
    ASSERT_EQ(r.size(), 2u);
    // All on one pixel: the point and its repeats at both ends; one point:
    // nothing.
    EXPECT_EQ(reduced({{5, 5}, {5, 5}, {5, 5}, {5, 5}}).size(), 3u);
    EXPECT_EQ(reduced({{5, 5}, {5, 5}}).size(), 3u);
    EXPECT_EQ(reduced({{5, 5}}).size(), 0u);

    // Random curves with many points per column (and columns revisited):
    // the same coverage, never more points.
    std::mt19937 rng(12345);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<PixelPoint> in;
        const int n = 2 + static_cast<int>(rng() % 400);
        std::int32_t x = 80, y = 200;
        for (int i = 0; i < n; ++i) {
            if (rng() % 5 == 0) x += static_cast<std::int32_t>(rng() % 3) - (trial % 7 == 0 ? 1 : 0);
            y += static_cast<std::int32_t>(rng() % 41) - 20;
            in.push_back({x, y});
        }
        const auto out = reduced(in);
        EXPECT_LE(out.size(), in.size() + 1);
        EXPECT_EQ(out.front().x, in.front().x);
        EXPECT_EQ(out.front().y, in.front().y);
        EXPECT_EQ(out.back().x, in.back().x);
        EXPECT_EQ(out.back().y, in.back().y);
        EXPECT_TRUE(coverage(out) == coverage(in)) << "trial " << trial;
    }
}

TEST(PlotGeometry, CurvePointsAreScaledClampedAndKeepEveryPeak) {
    auto store = std::make_unique<SampleStore>();
    const std::int32_t n = 5001;
    store->resize(n);
    for (std::int32_t k = 0; k < n; ++k) {
        store->time[k] = k * 1e-4L;  // 0 .. 0.5
        store->values[k][kI1] = 0;
        store->values[k][kV2] = 1e30L;  // far above the range
    }
    store->values[2499][kI1] = 0.004L;  // a single-sample peak
    const PlotArea a = plot_area(632, 476);
    const ViewRecord v = view_of(0.1L, 0.4L, -10, 10);
    const PixelMap m = pixel_map(a, v);
    std::array<long double, kChannelRows> factors{1, 1, 1, 1, 1, 1000, 1, 1};
    std::vector<PixelPoint> rows[kChannelRows];
    for (auto& r : rows) r.resize(n + 1);
    PixelPoint* const out[kChannelRows] = {rows[0].data(), rows[1].data(), rows[2].data(), rows[3].data(),
                                           rows[4].data(), rows[5].data(), rows[6].data(), rows[7].data()};
    std::int32_t counts[kChannelRows];
    store_curves(*store, factors, m, a, out, counts, false);
    for (int c = 0; c < kChannelRows; ++c) ASSERT_EQ(counts[c], n);
    const auto& all = rows[kI1];
    EXPECT_EQ(all[0].x, 80);       // before the window: left edge
    EXPECT_EQ(all[n - 1].x, 622);  // after it: right edge
    EXPECT_EQ(all[1000].x, 80);    // t = 0.1
    EXPECT_EQ(all[4000].x, 622);   // t = 0.4
    EXPECT_EQ(all[2000].x, 261);   // t = 0.2: Round(80 + 542 / 3)
    const std::int32_t peak_x = all[2499].x;

    // The peak, scaled 1000 times, reaches 4 units above zero: its pixel row
    // is in the reduced curve although its column holds many samples.
    store_curves(*store, factors, m, a, out, counts);
    const std::int32_t peak_y = clamp_y(m.ay * 0.004L * 1000 + m.by, a);
    EXPECT_EQ(clamp_y(m.by, a), 233);
    EXPECT_EQ(peak_y, 144);
    bool found = false;
    for (std::int32_t k = 0; k < counts[kI1]; ++k) {
        EXPECT_GE(rows[kI1][k].x, a.x0);
        EXPECT_LE(rows[kI1][k].x, a.x1);
        if (rows[kI1][k].y == peak_y && rows[kI1][k].x == peak_x) found = true;
    }
    EXPECT_TRUE(found);
    EXPECT_LT(counts[kI1], 2 * (a.x1 - a.x0 + 1) + 4);
    // A smaller factor: the peak drawn at that fraction of its height.
    factors[kI1] = 400;
    store_curves(*store, factors, m, a, out, counts);
    found = false;
    for (std::int32_t k = 0; k < counts[kI1]; ++k)
        found = found || (rows[kI1][k].y == 197 && rows[kI1][k].x == peak_x);
    EXPECT_TRUE(found);

    // Above the range: the top edge everywhere; one point per column, and
    // the repeated first and last points.
    EXPECT_EQ(counts[kV2], 545);
    for (std::int32_t k = 0; k < counts[kV2]; ++k) EXPECT_EQ(rows[kV2][k].y, a.y0);
    // All zero: the zero row, one point per column.
    EXPECT_EQ(counts[kVin], 545);
    EXPECT_EQ(rows[kVin][0].y, 233);

    // One sample draws nothing.
    store->resize(1);
    store_curves(*store, factors, m, a, out, counts);
    for (int c = 0; c < kChannelRows; ++c) EXPECT_EQ(counts[c], 0);
}

TEST(PlotGeometry, KeyCommands) {
    const ViewRecord start = view_of(0, 1.5e-5L, -120000, 180000);
    ViewRecord v = start;
    // "a a r r" restores the time window.
    for (char k : {'a', 'a'}) EXPECT_TRUE(apply_key(v, k));
    EXPECT_EQ(v.t0, 0);
    EXPECT_EQ(v.t1, 1.5e-5L / 4);
    for (char k : {'r', 'r'}) EXPECT_TRUE(apply_key(v, k));
    EXPECT_EQ(v.t1, start.t1);
    EXPECT_EQ(v.ymin, start.ymin);
    EXPECT_EQ(v.ymax, start.ymax);

    // ". . . ." moves by one former span, the span kept; "," and "<" back.
    for (char k : {'.', '>', '.', '.'}) EXPECT_TRUE(apply_key(v, k));
    EXPECT_NEAR(static_cast<double>(v.t0), 1.5e-5, 1e-20);
    EXPECT_NEAR(static_cast<double>(v.t1), 3e-5, 1e-20);
    EXPECT_NEAR(static_cast<double>(v.t1 - v.t0), 1.5e-5, 1e-20);
    EXPECT_TRUE(apply_key(v, ','));
    EXPECT_TRUE(apply_key(v, '<'));
    EXPECT_NEAR(static_cast<double>(v.t0), 7.5e-6, 1e-20);

    // "u" and "d" move the value range a quarter height, span kept.
    v = start;
    EXPECT_TRUE(apply_key(v, 'u'));
    EXPECT_EQ(v.ymin, -45000);
    EXPECT_EQ(v.ymax, 255000);
    EXPECT_TRUE(apply_key(v, 'd'));
    EXPECT_TRUE(apply_key(v, 'd'));
    EXPECT_EQ(v.ymin, -195000);
    EXPECT_EQ(v.ymax, 105000);

    // "+" and "-" use only the old maximum: symmetric about zero.
    v = start;
    EXPECT_TRUE(apply_key(v, '+'));
    EXPECT_EQ(v.ymax, 90000);
    EXPECT_EQ(v.ymin, -90000);
    EXPECT_TRUE(apply_key(v, '-'));
    EXPECT_TRUE(apply_key(v, '-'));
    EXPECT_EQ(v.ymax, 360000);
    EXPECT_EQ(v.ymin, -360000);
    EXPECT_EQ(v.t1, start.t1);

    // A range entirely below zero: "+" inverts it.
    v = view_of(0, 1, -300, -100);
    EXPECT_TRUE(apply_key(v, '+'));
    EXPECT_EQ(v.ymax, -50);
    EXPECT_EQ(v.ymin, 50);
    EXPECT_GT(v.ymin, v.ymax);

    // Every other character, upper case included, changes nothing.
    v = start;
    for (char k : {'A', 'R', 'U', 'D', 'x', ' ', '=', '\r', '0', '_'}) {
        EXPECT_FALSE(apply_key(v, k)) << k;
        EXPECT_EQ(v.t0, start.t0);
        EXPECT_EQ(v.t1, start.t1);
        EXPECT_EQ(v.ymin, start.ymin);
        EXPECT_EQ(v.ymax, start.ymax);
    }

    // Doubling past the largest real is a fault; the view stays as it was.
    v = view_of(0, 1e4932L, -1, 1);
    try {
        apply_key(v, 'r');
        ADD_FAILURE() << "no fault";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), kOverflow);
    }
    EXPECT_EQ(v.t1, 1e4932L);
    // A fault in the second assignment keeps the first one.
    v = view_of(0, 1, 0, 1.1e4932L);
    try {
        apply_key(v, 'u');
        ADD_FAILURE() << "no fault";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), kOverflow);
    }
    EXPECT_EQ(v.ymin, 1.1e4932L / 4);
    EXPECT_EQ(v.ymax, 1.1e4932L);
    v = view_of(-1.1e4932L, 0, -1, 1);
    EXPECT_THROW(apply_key(v, ','), Error);  // the span itself overflows: nothing assigned
    EXPECT_EQ(v.t0, -1.1e4932L);
    EXPECT_EQ(v.t1, 0);
    // The value keys do not look at the time window, and the reverse.
    v = view_of(0, 1, -1e4932L, 1e4932L);
    EXPECT_TRUE(apply_key(v, 'a'));
    EXPECT_EQ(v.t1, 0.5L);
}

TEST(PlotGeometry, ZoomInvertsTheLastMapping) {
    const PlotArea a = plot_area(632, 476);
    ViewRecord v = view_of(0, 1.5e-5L, -150000, 150000);
    const PixelMap m = pixel_map(a, v);
    ASSERT_TRUE(map_invertible(m));

    // Drag left, up, or a click: nothing.
    for (auto [x0, y0, x1, y1] : {std::tuple{300, 200, 100, 50}, std::tuple{100, 200, 300, 50},
                                  std::tuple{300, 50, 100, 200}, std::tuple{100, 50, 100, 50},
                                  std::tuple{100, 50, 300, 50}}) {
        ViewRecord w = v;
        EXPECT_FALSE(apply_zoom(w, m, x0, y0, x1, y1));
        EXPECT_EQ(w.t0, v.t0);
        EXPECT_EQ(w.t1, v.t1);
        EXPECT_EQ(w.ymin, v.ymin);
        EXPECT_EQ(w.ymax, v.ymax);
    }

    // (100, 50) to (300, 200): those pixels become the plot area's corners.
    EXPECT_TRUE(apply_zoom(v, m, 100, 50, 300, 200));
    EXPECT_EQ(v.t0, (100 - m.bx) / m.ax);
    EXPECT_EQ(v.t1, (300 - m.bx) / m.ax);
    EXPECT_EQ(v.ymin, (200 - m.by) / m.ay);
    EXPECT_EQ(v.ymax, (50 - m.by) / m.ay);
    EXPECT_NEAR(static_cast<double>(v.t0), 20 * 1.5e-5 / 542, 1e-18);
    EXPECT_NEAR(static_cast<double>(v.ymax), 150000 - 40 * 300000.0 / 446, 1e-6);
    const PixelMap n = pixel_map(a, v);
    EXPECT_NEAR(static_cast<double>(n.ax * v.t0 + n.bx), 80, 1e-9);
    EXPECT_NEAR(static_cast<double>(n.ax * v.t1 + n.bx), 622, 1e-9);
    EXPECT_NEAR(static_cast<double>(n.ay * v.ymax + n.by), 10, 1e-9);
    EXPECT_NEAR(static_cast<double>(n.ay * v.ymin + n.by), 456, 1e-9);
    // A point inside the rectangle keeps its place relative to the corners.
    const long double t = (200 - m.bx) / m.ax;
    EXPECT_NEAR(static_cast<double>(n.ax * t + n.bx), 80 + (200 - 100) * 542.0 / 200, 1e-9);

    // A fault stops the zoom after the fields already assigned.
    v = view_of(0, 1, -1, 1);
    const PixelMap tiny{1e-4940L, 100, -1, 0};
    ASSERT_TRUE(map_invertible(tiny));
    try {
        apply_zoom(v, tiny, 100, 0, 101, 5);
        ADD_FAILURE() << "no fault";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), kOverflow);
    }
    EXPECT_EQ(v.t0, 0);
    EXPECT_EQ(v.t1, 1);
    EXPECT_EQ(v.ymin, -1);

    // A zero-width window has no mapping to invert.
    EXPECT_FALSE(map_invertible(pixel_map(a, view_of(2, 2, -1, 1))));
    EXPECT_FALSE(map_invertible(PixelMap{}));
    fp_clear();  // the division by a zero width leaves its flag for nobody else
}

TEST(PlotGeometry, DrawingFaultsAreFoundWhereTheyOccur) {
    const PlotArea a = plot_area(632, 476);
    fp_clear();
    // The value span overflows; a time window of zero width only has no
    // time mapping.
    EXPECT_THROW(
        {
            try {
                checked_pixel_map(a, view_of(0, 1, -1e4932L, 1e4932L));
            } catch (const Error& e) {
                EXPECT_STREQ(e.what(), kOverflow);
                throw;
            }
        },
        Error);
    const PixelMap zero_width = checked_pixel_map(a, view_of(2, 2, -1, 1));
    EXPECT_FALSE(std::isfinite(zero_width.ax));
    EXPECT_NO_THROW(fp_check());
    // A grid up to the largest decade stops without stepping past it.
    EXPECT_EQ(grid(0, 1e4932L).size(), 2u);
    EXPECT_NO_THROW(fp_check());

    // The first faulty point in drawing order: row by row, then sample by sample.
    auto store = std::make_unique<SampleStore>();
    store->resize(3);
    for (std::int32_t k = 0; k < 3; ++k) {
        store->time[k] = k;
        for (int v = 0; v < 8; ++v) store->values[k][v] = (v == kI1 && k == 1) ? 1e4000L : 1;
    }
    const PixelMap m = pixel_map(a, view_of(0, 4, -1, 1));
    std::array<long double, kChannelRows> factors{1, 1, 1, 1, 1, 1e1000L, 1, 1e4931L};
    const CurveFault f = first_curve_fault(*store, factors, m);
    EXPECT_EQ(f.row, 5);
    EXPECT_EQ(f.sample, 1);
    EXPECT_EQ(f.message, kOverflow);
    factors[5] = 1;
    EXPECT_EQ(first_curve_fault(*store, factors, m).row, 7);
    factors[7] = 1;
    EXPECT_EQ(first_curve_fault(*store, factors, m).row, -1);
    fp_clear();
}
