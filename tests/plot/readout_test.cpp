// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot/readout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "report/format.h"

using namespace zelvar;

namespace {

// 101 samples, t = 0, 0.01, ..., 1; v3 = sin(2 pi t), every other value t.
SampleStore store101() {
    SampleStore s;
    s.resize(101);
    long double t = 0;
    for (std::int32_t k = 0; k < 101; ++k) {
        s.time[k] = t;
        for (int v = 0; v < kSampleValues; ++v) s.values[k][v] = t;
        s.values[k][kV3] = std::sin(2 * M_PI * static_cast<double>(k) / 100);
        t += 0.01L;
    }
    return s;
}

// The nearest sample by looking at every one (the earlier of two as near).
std::int32_t brute_nearest(const SampleStore& s, long double t) {
    std::int32_t best = 0;
    for (std::int32_t k = 1; k < s.count(); ++k)
        if (std::fabs(s.time[k] - t) < std::fabs(s.time[best] - t)) best = k;
    return best;
}

}  // namespace

TEST(Readout, NearestSampleForEveryPixelAtSeveralZoomLevels) {
    const SampleStore s = store101();
    const PlotArea a = plot_area(632, 476);
    struct Zoom {
        long double t0, t1;
        std::int32_t first, last;  // the samples at the left and right edges
    };
    const Zoom zooms[] = {{0, 1, 0, 100}, {0.25L, 0.2625L, 25, 26}, {0.5L, 3, 50, 100}, {-2, -1, 0, 0}, {-1, 2, 0, 100}};
    for (const Zoom& z : zooms) {
        const PixelMap m = pixel_map(a, ViewRecord{z.t0, z.t1, -1, 1});
        for (std::int32_t x = a.x0; x <= a.x1; ++x)
            ASSERT_EQ(nearest_sample(s, pixel_time(m, x)), brute_nearest(s, pixel_time(m, x))) << z.t0 << " " << x;
        EXPECT_EQ(nearest_sample(s, pixel_time(m, a.x0)), z.first) << z.t0;
        EXPECT_EQ(nearest_sample(s, pixel_time(m, a.x1)), z.last) << z.t0;
    }
    EXPECT_EQ(nearest_sample(SampleStore{}, 0), -1);
}

TEST(Readout, SnapFindsTheNearestExtremumOfV3WithinTheRadius) {
    const SampleStore s = store101();
    const PixelMap m = pixel_map(plot_area(632, 476), ViewRecord{0, 1, -1, 1});
    // The peak (k = 25) stands at x = 215.5, the trough (k = 75) at 486.5.
    EXPECT_EQ(v3_extremum_near(s, m, 220, 6), 25);
    EXPECT_EQ(v3_extremum_near(s, m, 480, 8), 75);
    EXPECT_EQ(v3_extremum_near(s, m, 300, 6), -1);
    EXPECT_EQ(v3_extremum_near(s, m, 230, 6), -1);
}

// Samples at t = 0, 1, 2, ... with the given v3; pixel x = 10·t + 100.
SampleStore store_of(const std::vector<long double>& v3) {
    SampleStore s;
    s.resize(static_cast<std::int32_t>(v3.size()));
    for (std::int32_t k = 0; k < s.count(); ++k) {
        s.time[k] = k;
        s.values[k][kV3] = v3[static_cast<std::size_t>(k)];
    }
    return s;
}

TEST(Readout, ExactMidpointsTakeTheEarlierSample) {
    const SampleStore s = store_of({0, 0, 0, 0});
    struct Case {
        long double t;
        std::int32_t sample;
    } const cases[] = {{0.5L, 0}, {1.5L, 1}, {2.5L, 2}, {std::nextafter(1.5L, 2.0L), 2}, {-1, 0}, {9, 3}};
    for (const Case& c : cases) EXPECT_EQ(nearest_sample(s, c.t), c.sample) << static_cast<double>(c.t);
}

// A flat top (or bottom) of two level samples: each is an extremum, the
// one whose column is nearer to the cursor is taken, the earlier of two as near.
TEST(Readout, SnapOnAFlatTopTakesTheNearerOfTheLevelSamples) {
    const PixelMap m{10, 100, 1, 0};
    struct Case {
        std::vector<long double> v3;
        std::int32_t x, sample;
    } const cases[] = {
        {{0, 1, 3, 3, 1, 0}, 124, 2},    {{0, 1, 3, 3, 1, 0}, 127, 3},    {{0, 1, 3, 3, 1, 0}, 125, 2},
        {{0, -1, -3, -3, -1, 0}, 123, 2}, {{0, -1, -3, -3, -1, 0}, 128, 3},
    };
    for (const Case& c : cases) EXPECT_EQ(v3_extremum_near(store_of(c.v3), m, c.x, 8), c.sample) << c.x;
}

TEST(Readout, NumbersAndLinesTakeTheStoredValues) {
    struct Case {
        long double x;
        std::string text;
    };
    const Case numbers[] = {{7.03672788L, "7.0367"}, {-6498.61322960L, "-6498.6"}, {0, "0"},
                            {0.0012345L, "0.0012345"}, {999999, "999999"}, {1234567, E(1234567, 13)}};
    for (const Case& c : numbers) EXPECT_EQ(readout_number(c.x), c.text) << c.text;

    const SampleStore s = store101();
    SampleStore ref = store101();
    for (auto& v : ref.values) v[kV3] *= 2;
    ReadoutInput in;
    in.samples = &s;
    in.sample = 20;
    in.reference = &ref;
    std::vector<ReadoutLine> lines = readout_lines(in);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0].text, "t = " + readout_number(s.time[20] / 1e-6L) + " \xC2\xB5s");
    EXPECT_EQ(lines[4].text, "VC3 = " + readout_number(s.values[20][kV3]) + " V  ref " +
                                 readout_number(2 * s.values[20][kV3]));
    EXPECT_EQ(lines[4].row, 3);
    EXPECT_EQ(lines[6].text, "IL1 = " + readout_number(s.values[20][kI1]) + " A  ref " +
                                 readout_number(ref.values[20][kI1]));

    in.reference = nullptr;
    in.marker_count = 1;
    in.markers[0] = 10;
    lines = readout_lines(in);
    EXPECT_EQ(lines.back().text, "A: t = " + readout_number(s.time[10] / 1e-6L) + " \xC2\xB5s");
    in.marker_count = 2;
    in.markers[1] = 35;
    lines = readout_lines(in);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[4].text, "VC3 = " + readout_number(s.values[20][kV3]) + " V  \xCE\x94 " +
                                 readout_number(s.values[35][kV3] - s.values[10][kV3]));
    const long double dt = s.time[35] - s.time[10];
    EXPECT_EQ(lines.back().text, "\xCE\x94t = " + readout_number(dt / 1e-6L) + " \xC2\xB5s  1/\xCE\x94t = " +
                                     readout_number(1 / dt) + " Hz");
}
