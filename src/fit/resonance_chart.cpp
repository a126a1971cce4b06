#include "fit/resonance_chart.h"

#include <algorithm>
#include <cmath>

#include "report/format.h"

namespace zelvar::fit {

ResonanceChart resonance_chart(const std::array<long double, kMeasurements>& design,
                               const std::array<long double, kMeasurements>& measured,
                               const std::array<long double, kMeasurements>& fitted, int width, int height) {
    ResonanceChart c;
    c.left = 70;
    c.right = std::max(c.left + 10, width - 20.0);
    c.axis_y = height - 24.0;
    for (int r = 0; r < 3; ++r) c.row_y[r] = 12 + r * (c.axis_y - 24) / 2;
    const std::array<const std::array<long double, kMeasurements>*, 3> rows = {&design, &measured, &fitted};
    long double lo = 0, hi = 0;
    for (const auto* row : rows)
        for (long double f : *row)
            if (std::isfinite(f) && f > 0) {
                lo = lo == 0 ? f : std::min(lo, f);
                hi = std::max(hi, f);
            }
    if (hi == 0) return c;
    lo *= 0.9L;
    hi *= 1.1L;
    const auto x_of = [&](long double f) { return c.left + static_cast<double>((f - lo) / (hi - lo)) * (c.right - c.left); };
    for (int r = 0; r < 3; ++r)
        for (int m = 0; m < kMeasurements; ++m) {
            const long double f = (*rows[r])[m];
            if (std::isfinite(f) && f > 0) c.marks.push_back({x_of(f), r, measurement_name(m)});
        }
    // A round step giving about six ticks.
    const long double raw = (hi - lo) / 6;
    const long double decade = std::pow(10.0L, std::floor(std::log10(raw)));
    long double step = decade;
    for (long double k : {2.0L, 5.0L, 10.0L})
        if (step < raw) step = k * decade;
    for (long double t = std::ceil(lo / step) * step; t <= hi; t += step)
        c.ticks.push_back({x_of(t), F(t / 1000, 0, step >= 1000 ? 0 : 1)});
    return c;
}

}  // namespace zelvar::fit
