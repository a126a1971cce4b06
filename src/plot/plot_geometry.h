#pragma once
// The waveform plot's arithmetic, without any drawing: plot area, pixel
// mapping, clamps, decade grid, legend and label texts, the curves reduced
// per pixel column, the key commands and the zoom rectangle.
#include <array>
#include <cmath>
#include <cstdint>
#include <string>

#include "sim/channels.h"
#include "sim/sim_result.h"

namespace zelvar {

// The plot area in paint-box pixels: left edge (time axis origin), right
// edge, top edge, bottom edge (the time axis line).
struct PlotArea {
    std::int32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
};

// pixel x = ax * t + bx; pixel y = ay * v + by.
struct PixelMap {
    long double ax = 0, bx = 0, ay = 0, by = 0;
};

// The curves: one per row of the channel table (sim/channels.h), which gives
// the sample value each draws, its legend name, colour and pen width (the
// reference curves use a pen four times as wide).
using ChannelRow = Channel;
inline constexpr int kChannelRows = kChannelCount;
inline constexpr const Channel (&kChannelTable)[kChannelCount] = kChannels;

inline constexpr int kReferencePenFactor = 4;

// Margins: 80 left, 10 right, 10 top, 20 bottom.
PlotArea plot_area(std::int32_t width, std::int32_t height);

// An exactly flat value range is widened one unit upwards (and stays so).
void widen_flat_range(ViewRecord& view);

// The mapping that puts view t0/t1 on the left/right edges and ymin/ymax on
// the bottom/top edges.  Never raises: a zero-width window gives infinities.
PixelMap pixel_map(const PlotArea& area, const ViewRecord& view);

// The same mapping for a drawing: an arithmetic fault of the value mapping,
// and of the time mapping unless the time window has zero width (which has
// no time mapping), throws zelvar::Error.  Expects no pending fault.
PixelMap checked_pixel_map(const PlotArea& area, const ViewRecord& view);

// True when the mapping can be inverted (both slopes finite and non-zero,
// both offsets finite).
bool map_invertible(const PixelMap& map);

// A value above hi gives hi; a value from lo to hi gives the value rounded to
// the nearest integer (ties to even); anything else (below lo, not a
// number) gives lo.
// Inline, with the rounding lrintl() does (FISTP in the current rounding
// mode, to nearest): the picture maps every sample of every curve through it.
inline std::int32_t clamp_coord(long double v, std::int32_t lo, std::int32_t hi) {
    if (std::isgreater(v, static_cast<long double>(hi))) return hi;
    if (!std::isgreaterequal(v, static_cast<long double>(lo))) return lo;
#if defined(__x86_64__) || defined(__i386__)
    long long r;
    __asm__("fistpll %0" : "=m"(r) : "t"(v) : "st");
    return static_cast<std::int32_t>(r);
#else
    return static_cast<std::int32_t>(std::lrintl(v));
#endif
}
inline std::int32_t clamp_x(long double v, const PlotArea& a) { return clamp_coord(v, a.x0, a.x1); }
inline std::int32_t clamp_y(long double v, const PlotArea& a) { return clamp_coord(v, a.y0, a.y1); }

// A pixel coordinate rounded to the nearest integer (ties to even); false
// when v is not a number or outside the 32-bit range.
bool round_pixel(long double v, std::int32_t& out);

// 10^e for a whole number e: exact up to 10^27, and the nearest real to
// 10^e for e down to -27.
long double decade_step(long double e);

// Decade grid of one axis from lo to hi: the multiples of the span's decade
// from lo upwards, strictly below hi.  Writes at most max_lines values and
// returns their count (0 for a span that is not positive).
inline constexpr int kMaxGridLines = 32;
int decade_grid(long double lo, long double hi, long double* out, int max_lines);

// Legend line of a row: name + "x" + the factor rounded to an integer (ties
// to even); a factor whose rounded value does not fit 32 bits is written in
// E(x; 12) notation.
std::string legend_text(int row, long double factor);

// The four range labels.
struct RangeLabels {
    std::string value_top, value_bottom, time_end, time_start;
};
RangeLabels range_labels(const ViewRecord& view);

struct PixelPoint {
    std::int32_t x, y;
};

// The polylines of the eight curves of a store (row c draws value index c of
// every sample, times factors[c]), clamped to the plot area and reduced per
// pixel column: each run of consecutive points in the same column keeps its
// first and last segments and visits its top row and (where the curve turned
// back up from it) its lowest row, so that each polyline draws the same
// pixels as the one through every sample, with a thin or a wide pen, and at
// most six points per column.  One pass over the samples.
// out[c] must hold store.count() + 1 points; counts[c] receives the number of
// points of row c (0 when the store has fewer than two samples, at least 2
// otherwise).  With reduce false every sample gives one point.
void store_curves(const SampleStore& store, const std::array<long double, kChannelRows>& factors, const PixelMap& map,
                  const PlotArea& area, PixelPoint* const (&out)[kChannelRows], std::int32_t (&counts)[kChannelRows],
                  bool reduce = true);

// The first point of a store's curves, in drawing order (row by row, and
// within a row sample by sample), whose mapping raises an arithmetic fault:
// its row (-1 when none), its sample (0-based) and the fault's message.
// Slow (it tests every point); for a drawing whose curves raised a fault.
struct CurveFault {
    int row = -1;
    std::int32_t sample = 0;
    std::string message;
};
CurveFault first_curve_fault(const SampleStore& store, const std::array<long double, kChannelRows>& factors,
                             const PixelMap& map);

// The unreduced points of one row of a store, its first `count` samples,
// clamped to the plot area; `out` must hold `count` points.
void row_points(const SampleStore& store, int row, long double factor, const PixelMap& map, const PlotArea& area,
                std::int32_t count, PixelPoint* out);

// The same reduction on given points (for any source of pixel points);
// `out` must hold n + 1 points.
std::int32_t reduce_columns(const PixelPoint* in, std::int32_t n, PixelPoint* out);

// Key commands "+", "-", ",", "<", ".", ">", "a", "r", "u", "d": changes
// the view and returns true; any other character returns false and changes
// nothing.  An arithmetic fault throws zelvar::Error; the fields assigned
// before it keep their new values, the others stay as they were.
bool apply_key(ViewRecord& view, char key);

// The zoom rectangle from (x0, y0) to (x1, y1): only a drag to the right and
// downwards (x1 > x0 and y1 > y0) sets the view, by inverting the mapping,
// and returns true.  An arithmetic fault throws zelvar::Error; the fields
// assigned before it keep their new values.
bool apply_zoom(ViewRecord& view, const PixelMap& map, std::int32_t x0, std::int32_t y0, std::int32_t x1,
                std::int32_t y1);

}  // namespace zelvar
