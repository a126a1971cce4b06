// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot/readout.h"

#include <cmath>

#include "app/faults.h"
#include "report/format.h"

namespace zelvar {

long double pixel_time(const PixelMap& map, std::int32_t x) { return (x - map.bx) / map.ax; }

std::int32_t nearest_sample(const SampleStore& store, long double t) {
    const std::int32_t n = store.count();
    if (n == 0) return -1;
    if (std::isnan(t)) return 0;
    // The first sample at or after t.
    std::int32_t lo = 0, hi = n;
    while (lo < hi) {
        const std::int32_t mid = lo + (hi - lo) / 2;
        if (std::isless(store.time[mid], t))
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == 0) return 0;
    if (lo == n) return n - 1;
    return (t - store.time[lo - 1]) <= (store.time[lo] - t) ? lo - 1 : lo;
}

std::int32_t v3_extremum_near(const SampleStore& store, const PixelMap& map, std::int32_t x, std::int32_t radius) {
    const std::int32_t n = store.count();
    if (n < 3 || !map_invertible(map) || map.ax < 0) return -1;
    std::int32_t k = nearest_sample(store, pixel_time(map, x - radius));
    const std::int32_t last = nearest_sample(store, pixel_time(map, x + radius));
    std::int32_t best = -1;
    long double best_distance = 0;
    for (k = k < 1 ? 1 : k; k <= last && k < n - 1; ++k) {
        const long double a = store.values[k - 1][kV3], v = store.values[k][kV3], b = store.values[k + 1][kV3];
        const bool peak = (v > a && v >= b) || (v >= a && v > b);
        const bool trough = (v < a && v <= b) || (v <= a && v < b);
        if (!peak && !trough) continue;
        const long double distance = std::fabs(map.ax * store.time[k] + map.bx - x);
        if (distance > radius + 0.5L) continue;
        if (best < 0 || distance < best_distance) {
            best = k;
            best_distance = distance;
        }
    }
    fp_clear();
    return best;
}

std::string readout_number(long double x) {
    if (!std::isfinite(x)) return "-";
    const long double m = std::fabs(x);
    if (m == 0) return "0";
    if (m >= 1e-3L && m < 1e6L) {
        int decimals = 4 - static_cast<int>(std::floor(std::log10(m)));
        if (decimals < 0) decimals = 0;
        return F(x, 0, decimals);
    }
    return E(x, 13);
}

namespace {

const char* const kUnits[kChannelRows] = {" V", " V", " V", " V", " V", " A", " A", " A"};

std::string micro_seconds(long double t) { return latin1_to_utf8(readout_number(t / 1e-6L) + " " + kMicro + "s"); }

}  // namespace

std::vector<ReadoutLine> readout_lines(const ReadoutInput& in) {
    std::vector<ReadoutLine> lines;
    if (in.samples == nullptr || in.sample < 0 || in.sample >= in.samples->count()) return lines;
    const SampleStore& s = *in.samples;
    const std::int32_t k = in.sample;
    const long double t = s.time[k];
    lines.push_back({"t = " + micro_seconds(t), -1});
    const std::int32_t r = in.reference != nullptr ? nearest_sample(*in.reference, t) : -1;
    const bool both = in.marker_count == 2 && in.markers[0] >= 0 && in.markers[1] >= 0 &&
                      in.markers[0] < s.count() && in.markers[1] < s.count();
    for (int c = 0; c < kChannelRows; ++c) {
        const int v = kChannelTable[c].value;
        std::string text = std::string(kChannelTable[c].name) + " = " + readout_number(s.values[k][v]) + kUnits[c];
        if (r >= 0) text += "  ref " + readout_number(in.reference->values[r][v]);
        text = latin1_to_utf8(text);
        if (both)
            text += "  \u0394 " + readout_number(s.values[in.markers[1]][v] - s.values[in.markers[0]][v]);
        lines.push_back({text, c});
    }
    if (both) {
        const long double dt = s.time[in.markers[1]] - s.time[in.markers[0]];
        std::string text = "\u0394t = " + micro_seconds(dt) + "  1/\u0394t = ";
        text += dt != 0 ? readout_number(1 / dt) + " Hz" : std::string("-");
        lines.push_back({text, -1});
    } else if (in.marker_count >= 1 && in.markers[0] >= 0 && in.markers[0] < s.count()) {
        lines.push_back({"A: t = " + micro_seconds(s.time[in.markers[0]]), -1});
    }
    fp_clear();
    return lines;
}

}  // namespace zelvar
