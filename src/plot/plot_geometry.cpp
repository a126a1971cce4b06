#include "plot/plot_geometry.h"

#include <cmath>
#include <limits>

#include "app/faults.h"
#include "report/format.h"

namespace zelvar {

PlotArea plot_area(std::int32_t width, std::int32_t height) {
    PlotArea a;
    a.x0 = 80;
    a.x1 = width - 10;
    a.y0 = 10;
    a.y1 = height - 20;
    return a;
}

void widen_flat_range(ViewRecord& view) {
    if (view.ymin == view.ymax) view.ymax = view.ymin + 1;
}

namespace {

void map_values(PixelMap& m, const PlotArea& area, const ViewRecord& view) {
    m.ay = static_cast<long double>(area.y1 - area.y0) / (view.ymin - view.ymax);
    m.by = area.y1 - m.ay * view.ymin;
}

void map_times(PixelMap& m, const PlotArea& area, const ViewRecord& view) {
    m.ax = static_cast<long double>(area.x1 - area.x0) / (view.t1 - view.t0);
    m.bx = area.x1 - m.ax * view.t1;
}

}  // namespace

PixelMap pixel_map(const PlotArea& area, const ViewRecord& view) {
    PixelMap m;
    map_values(m, area, view);
    map_times(m, area, view);
    return m;
}

PixelMap checked_pixel_map(const PlotArea& area, const ViewRecord& view) {
    PixelMap m;
    map_values(m, area, view);
    fp_check();
    map_times(m, area, view);
    if (view.t1 != view.t0)
        fp_check();
    else
        fp_clear();  // no time mapping: infinite slope, no curves
    return m;
}

bool map_invertible(const PixelMap& m) {
    return std::isfinite(m.ax) && std::isfinite(m.bx) && std::isfinite(m.ay) && std::isfinite(m.by) &&
           m.ax != 0 && m.ay != 0;
}

bool round_pixel(long double v, std::int32_t& out) {
    if (std::isnan(v)) return false;
    const long double r = std::nearbyintl(v);
    if (std::isless(r, -2147483648.0L) || std::isgreater(r, 2147483647.0L)) return false;
    out = static_cast<std::int32_t>(r);
    return true;
}

long double decade_step(long double e) {
    // Ten to the power |e| by squaring and multiplying (exact up to 10^27),
    // and its reciprocal for a negative decade: the real nearest to 10^e
    // wherever it can be reached that way.
    if (!std::isfinite(e) || std::fabs(e) > 100000) return std::pow(10.0L, e);
    // Every product is one the result needs (a square only while a higher
    // bit remains), so that no step of the way overflows below 10^4932.
    long double power = 1;
    long double x = 10;
    long n = std::lround(std::fabs(e));
    while (n != 0) {
        power *= (n & 1) ? x : 1.0L;
        n >>= 1;
        if (n == 0) break;
        x *= x;
    }
    return e < 0 ? 1 / power : power;
}

int decade_grid(long double lo, long double hi, long double* out, int max_lines) {
    const long double span = hi - lo;
    if (!std::isgreater(span, 0.0L) || !std::isfinite(span)) return 0;
    const long double e = std::nearbyintl(std::log(span) / std::log(10.0L) - 0.499999L);
    const long double step = decade_step(e);
    if (!std::isgreater(step, 0.0L) || !std::isfinite(step)) return 0;
    long double g = std::nearbyintl(lo / step + 0.5L) * step;
    int n = 0;
    while (n < max_lines && std::isless(g, hi)) {
        out[n++] = g;
        // A next line beyond the largest real is beyond hi: the loop ends
        // without computing it.
        if (std::isgreater(g, std::numeric_limits<long double>::max() - step)) break;
        const long double next = g + step;
        if (next == g) break;  // the step is below the precision of g
        g = next;
    }
    return n;
}

std::string legend_text(int row, long double factor) {
    std::string text = kChannelTable[row].name;
    text += 'x';
    const long double r = std::nearbyintl(factor);
    if (std::isgreaterequal(r, -2147483648.0L) && std::islessequal(r, 2147483647.0L))
        text += I(static_cast<std::int32_t>(r));
    else
        text += E(factor, 12);
    return text;
}

RangeLabels range_labels(const ViewRecord& view) {
    RangeLabels l;
    l.value_top = E(view.ymax, 5);
    l.value_bottom = E(view.ymin, 5);
    l.time_end = E(view.t1, 12);
    l.time_start = E(view.t0, 12);
    return l;
}

namespace {

// Collects the points of a polyline and writes each run of points in one
// pixel column as at most six points that draw the same pixels.
//
// Within a column only the rows matter.  Take the run without repeated
// points: d1, d2, ..., dr.  Its segments cover the rows from the lowest to
// the highest point; a line drawn from one point to the next covers its
// rows up to, but not always including, the lower end, and the lowest row
// is drawn where the curve turns back up from it, that is where it is an
// inner point of the run.  So the run is written as its first segment
// (d1, d2) and its last one (d(r-1), dr), unchanged, so that the lines into
// and out of the column are drawn as before, and between them the highest
// point (if missing) and the lowest point (only where it was an inner point
// of the run, if missing).
class ColumnReducer {
public:
    explicit ColumnReducer(PixelPoint* out) : out_(out) {}

    void add(std::int32_t x, std::int32_t y) {
        // A polyline that starts or ends on a repeated point keeps it: the
        // line's end pixel depends on it.
        last_repeated_ = raw_ > 0 && x == last_x_ && y == last_y_;
        if (raw_ == 1) first_repeated_ = last_repeated_;
        ++raw_;
        last_x_ = x;
        last_y_ = y;
        if (open_ && x == x_) {
            if (y == dl_) return;  // a repeated point draws nothing
            if (r_ >= 2 && dl_ > inner_low_) inner_low_ = dl_;
            if (r_ == 1) d2_ = y;
            dl1_ = dl_;
            dl_ = y;
            ++r_;
            if (y < top_) top_ = y;
            if (y > low_) low_ = y;
            return;
        }
        flush();
        open_ = true;
        x_ = x;
        r_ = 1;
        d1_ = d2_ = dl1_ = dl_ = top_ = low_ = y;
        inner_low_ = INT32_MIN;
    }

    std::int32_t finish() {
        flush();
        if (first_repeated_) {
            for (std::int32_t i = n_; i > 0; --i) out_[i] = out_[i - 1];
            ++n_;
        }
        if (last_repeated_) {
            out_[n_] = out_[n_ - 1];
            ++n_;
        }
        return n_;
    }

private:
    void put(std::int32_t y) {
        if (n_ > 0 && out_[n_ - 1].x == x_ && out_[n_ - 1].y == y) return;
        out_[n_++] = PixelPoint{x_, y};
    }

    void flush() {
        if (!open_) return;
        open_ = false;
        put(d1_);
        if (r_ == 1) return;
        put(d2_);
        if (r_ >= 5) {
            if (top_ != d1_ && top_ != d2_ && top_ != dl1_ && top_ != dl_) put(top_);
            if (inner_low_ == low_ && low_ != d2_ && low_ != dl1_) put(low_);
        }
        if (r_ >= 4) put(dl1_);
        put(dl_);
    }

    PixelPoint* out_;
    std::int32_t n_ = 0;
    bool open_ = false;
    std::int32_t x_ = 0, r_ = 0;
    std::int32_t d1_ = 0, d2_ = 0, dl1_ = 0, dl_ = 0;  // first two and last two points of the run
    std::int32_t top_ = 0, low_ = 0;                   // smallest and largest row
    std::int32_t inner_low_ = 0;                       // largest row among the inner points
    std::int32_t raw_ = 0, last_x_ = 0, last_y_ = 0;
    bool first_repeated_ = false, last_repeated_ = false;
};

}  // namespace

std::int32_t reduce_columns(const PixelPoint* in, std::int32_t n, PixelPoint* out) {
    if (n < 2) return 0;
    ColumnReducer r(out);
    for (std::int32_t k = 0; k < n; ++k) r.add(in[k].x, in[k].y);
    return r.finish();
}

void store_curves(const SampleStore& store, const std::array<long double, kChannelRows>& factors, const PixelMap& map,
                  const PlotArea& area, PixelPoint* const (&out)[kChannelRows], std::int32_t (&counts)[kChannelRows],
                  bool reduce) {
    const std::int32_t n = store.count();
    if (n < 2) {
        for (std::int32_t& c : counts) c = 0;
        return;
    }
    if (!reduce) {
        for (std::int32_t k = 0; k < n; ++k) {
            const std::int32_t x = clamp_x(map.ax * store.time[k] + map.bx, area);
            for (int c = 0; c < kChannelRows; ++c) {
                const long double v = store.values[k][kChannelTable[c].value];
                out[c][k] = PixelPoint{x, clamp_y(map.ay * v * factors[c] + map.by, area)};
            }
        }
        for (std::int32_t& c : counts) c = n;
        return;
    }
    ColumnReducer r[kChannelRows] = {ColumnReducer(out[0]), ColumnReducer(out[1]), ColumnReducer(out[2]),
                                     ColumnReducer(out[3]), ColumnReducer(out[4]), ColumnReducer(out[5]),
                                     ColumnReducer(out[6]), ColumnReducer(out[7])};
    for (std::int32_t k = 0; k < n; ++k) {
        const std::int32_t x = clamp_x(map.ax * store.time[k] + map.bx, area);
        for (int c = 0; c < kChannelRows; ++c) {
            const long double v = store.values[k][kChannelTable[c].value];
            r[c].add(x, clamp_y(map.ay * v * factors[c] + map.by, area));
        }
    }
    for (int c = 0; c < kChannelRows; ++c) counts[c] = r[c].finish();
}

CurveFault first_curve_fault(const SampleStore& store, const std::array<long double, kChannelRows>& factors,
                             const PixelMap& map) {
    const std::int32_t n = store.count();
    volatile long double sink = 0;  // keeps every product computed
    for (int c = 0; c < kChannelRows; ++c) {
        for (std::int32_t k = 0; k < n; ++k) {
            fp_clear();
            sink = map.ax * store.time[k] + map.bx;
            sink = map.ay * store.values[k][kChannelTable[c].value] * factors[c] + map.by;
            try {
                fp_check();
            } catch (const Error& e) {
                return CurveFault{c, k, e.what()};
            }
        }
    }
    static_cast<void>(sink);
    return CurveFault{};
}

void row_points(const SampleStore& store, int row, long double factor, const PixelMap& map, const PlotArea& area,
                std::int32_t count, PixelPoint* out) {
    for (std::int32_t k = 0; k < count; ++k) {
        const long double v = store.values[k][kChannelTable[row].value];
        out[k] = PixelPoint{clamp_x(map.ax * store.time[k] + map.bx, area),
                                clamp_y(map.ay * v * factor + map.by, area)};
    }
}

namespace {

// One assignment of a view field: a fault in computing the value stops the
// command there, with the fields already assigned kept.
void assign(long double& field, long double value) {
    fp_check();
    field = value;
}

}  // namespace

bool apply_key(ViewRecord& view, char key) {
    fp_clear();
    switch (key) {
        case '+':
            assign(view.ymax, view.ymax / 2);
            assign(view.ymin, -view.ymax);
            return true;
        case '-':
            assign(view.ymax, view.ymax * 2);
            assign(view.ymin, -view.ymax);
            return true;
        case ',':
        case '<': {
            const long double span_t = view.t1 - view.t0;  // taken before the change
            assign(view.t0, view.t0 - span_t / 4);
            assign(view.t1, view.t1 - span_t / 4);
            return true;
        }
        case '.':
        case '>': {
            const long double span_t = view.t1 - view.t0;
            assign(view.t0, view.t0 + span_t / 4);
            assign(view.t1, view.t1 + span_t / 4);
            return true;
        }
        case 'a':
            assign(view.t1, view.t0 + (view.t1 - view.t0) / 2);
            return true;
        case 'r':
            assign(view.t1, view.t0 + (view.t1 - view.t0) * 2);
            return true;
        case 'u': {
            const long double span_y = view.ymax - view.ymin;
            assign(view.ymin, view.ymin + span_y / 4);
            assign(view.ymax, view.ymax + span_y / 4);
            return true;
        }
        case 'd': {
            const long double span_y = view.ymax - view.ymin;
            assign(view.ymin, view.ymin - span_y / 4);
            assign(view.ymax, view.ymax - span_y / 4);
            return true;
        }
        default:
            return false;
    }
}

bool apply_zoom(ViewRecord& view, const PixelMap& map, std::int32_t x0, std::int32_t y0, std::int32_t x1,
                std::int32_t y1) {
    if (!(x1 > x0 && y1 > y0)) return false;
    fp_clear();
    assign(view.t0, (x0 - map.bx) / map.ax);
    assign(view.t1, (x1 - map.bx) / map.ax);
    assign(view.ymin, (y1 - map.by) / map.ay);
    assign(view.ymax, (y0 - map.by) / map.ay);
    fp_check();
    return true;
}

}  // namespace zelvar
