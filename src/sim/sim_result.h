// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a simulation run returns: its samples, its value range, its maxima and
// energies as numbers, and how it ended.  Plain values with no Qt and no
// program-wide state, so that any number of runs (one per worker thread, one
// per window) can each hold their own.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zelvar {

// A run stores at most this many samples ("Too many points." above it).
inline constexpr std::int32_t kMaxPoints = 50000;

// Values of one sample, in this order: vin, v1, v2, v3, vl, i1, i2, i3.
// Indices 1..7 are the channels (the circuit's state vector).
enum SampleValue : int { kVin = 0, kV1, kV2, kV3, kVL, kI1, kI2, kI3 };
inline constexpr int kSampleValues = 8;

using SampleValues = std::array<long double, kSampleValues>;

// The samples of a run, 0-based: sample i (0 ≤ i < count()) was taken at
// time[i] and holds values[i].  Sample 0 is the initial state.
//
// The storage is reused: resize() keeps the samples already there and the
// memory already held, so a caller that keeps one store for many runs
// allocates only when a run has more points than any run before it.
struct SampleStore {
    std::vector<long double> time;
    std::vector<SampleValues> values;

    std::int32_t count() const { return static_cast<std::int32_t>(time.size()); }
    // n samples (none when n ≤ 0); new samples are zero.
    void resize(std::int32_t n) {
        const std::size_t size = n > 0 ? static_cast<std::size_t>(n) : 0;
        time.resize(size);
        values.resize(size);
    }
};

// The time window and value range of a plot.
struct ViewRecord {
    long double t0 = 0, t1 = 0, ymin = 0, ymax = 0;
};

// The figures of the maxima report.  Channels are 0-based as in the state
// vector: v1, v2, v3, vl, i1, i2, i3.  Energies and shares are indexed
// C1, C2, C3.
struct MaximaFigures {
    long double peak[7] = {};        // signed value of largest magnitude
    long double peak_time[7] = {};   // time of the sample that set it
    long double at_v3_peak[7] = {};  // every channel at the sample that last set the peak of v3
    long double energy[3] = {};      // C·v²/2 of C1, C2, C3 at that sample
    long double share[3] = {};       // energy[c] in percent of the total
    // Floating-point faults (FE_* bits) raised in computing the energies and
    // total, and in computing each share: the report raises them where the
    // computation stood in its lines, so that a fault there ends the report
    // after the same line as always.  0 when the figures are sound.
    int energy_faults = 0;
    int share_faults[3] = {};
};

// How a run ended.
enum class RunEnd {
    kNotRun,     // the result has not been filled by a run yet
    kCompleted,  // every sample computed, the report written
    kStopped,    // one of the run's own checks stopped it; `message` is its report line
    kFault,      // an error (arithmetic fault, …) ended it; `message` is the error's text
};

struct SimResult {
    // The samples, when the caller asked for them; empty otherwise.  They are
    // sized to the run's point count once the point checks pass, and filled
    // as the run goes (a fault keeps the samples stored before it).
    SampleStore samples;
    // The run's view: t0 = 0 and t1 = tmax at the start, then ymin and ymax
    // from ±1e12 over the channels of samples 2..N (or ±Vmax with "Use
    // Vmax").  A field the run has not reached when it ends keeps the value
    // the caller left in it.
    ViewRecord range;
    // Peaks, the channels at the peak of v3, energies and shares: complete
    // when `samples_done`.
    MaximaFigures maxima;
    // Every sample computed (the view record is final; a later fault can only
    // come from the maxima report).
    bool samples_done = false;
    RunEnd end = RunEnd::kNotRun;
    std::string message;
};

}  // namespace zelvar
