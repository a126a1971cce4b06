// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The waveform readout: the stored sample under a pixel column, the snap to
// an extremum of v3, two markers and the readout's lines of text.
#include <cstdint>
#include <string>
#include <vector>

#include "plot/plot_geometry.h"
#include "sim/sim_result.h"

namespace zelvar {

// The time at pixel column x of a drawing's mapping (as the zoom inverts it).
long double pixel_time(const PixelMap& map, std::int32_t x);

// The stored sample whose time is nearest to t (the earlier one of two
// equally near); the first or the last sample for a time before or after the
// run; -1 for an empty store.
std::int32_t nearest_sample(const SampleStore& store, long double t);

// The sample of a local extremum of v3 (a sample above both neighbours, or
// below both, or level with one and beyond the other) whose pixel column is
// nearest to x (the earlier of two as near: on a flat top of two level
// samples, each is an extremum) and at most `radius` pixels from it; -1 when
// there is none.
std::int32_t v3_extremum_near(const SampleStore& store, const PixelMap& map, std::int32_t x, std::int32_t radius);

// A readout number: five significant digits, in fixed notation from 0.001 up
// to below 1E6 (and for zero), in E(x; 13) notation beyond; "-" for a value
// that is not finite.  Latin-1, like every report text.
std::string readout_number(long double x);

// What the readout shows: the sample under the cursor, the reference (if
// shown) at the same time, and the markers set so far (0, 1 or 2).
struct ReadoutInput {
    const SampleStore* samples = nullptr;
    std::int32_t sample = -1;
    const SampleStore* reference = nullptr;
    std::int32_t markers[2] = {-1, -1};
    int marker_count = 0;
};

// One line of the readout (UTF-8) and the channel-table row whose colour it
// takes (-1: the frame's white).
struct ReadoutLine {
    std::string text;
    int row;
};

// The time line "t = 7.0367 µs", a line per channel "VC3 = -6498.6 V" (with
// "  ref …" for the reference and "  Δ …" for marker B minus marker A), and
// at the bottom the markers: "A: t = … µs" or "Δt = … µs  1/Δt = … Hz".
// Never raises: the pending floating-point flags are cleared.
std::vector<ReadoutLine> readout_lines(const ReadoutInput& in);

}  // namespace zelvar
