#pragma once
// The program-wide simulation state: sample store, reference store, view
// record and flags.  One instance, allocated for the whole run of the
// program and never resized.
#include <cstdint>

namespace zelvar {

inline constexpr std::int32_t kStoreCapacity = 50000;

// Values of one sample, in this order: vin, v1, v2, v3, vl, i1, i2, i3.
// Indices 1..7 are the channels (the circuit's state vector).
enum SampleValue : int { kVin = 0, kV1, kV2, kV3, kVL, kI1, kI2, kI3 };

struct SampleStore {
    std::int32_t count = 0;
    long double time[kStoreCapacity + 1] = {};        // 1-based: time[1..count]
    long double values[kStoreCapacity + 1][8] = {};   // 1-based
};

struct ViewRecord {
    long double t0 = 0, t1 = 0, ymin = 0, ymax = 0;
};

struct SimState {
    SampleStore samples;
    SampleStore reference;
    ViewRecord view;
    bool dirty = true;               // the store must be recomputed before the next plot
    bool results_valid = false;      // the last run completed
    bool reference_present = false;  // "Delete Ref." enabled
    bool save_ref_enabled = false;   // "Save Ref." enabled (by the first completed run)
    // A run that stopped or failed is not retried by a plain repaint; only
    // something the user does that asks for a run (mark_dirty) clears this.
    bool run_blocked = false;
};

// The one instance.
SimState& sim_state();

// Back to the state at program start (for tests).
void reset_sim_state(SimState& state);

// "Plot", "Simulate", leaving a marked parameter field: recompute at the next
// paint (and allow a run that failed before to be tried again).
void mark_dirty(SimState& state);

// "Save Ref.": copy the sample store into the reference store.
void save_reference(SimState& state);

// "Delete Ref.": hide the reference (its data stay).
void delete_reference(SimState& state);

}  // namespace zelvar
