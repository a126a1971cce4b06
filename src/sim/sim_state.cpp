#include "sim/sim_state.h"

namespace zelvar {

SimState& sim_state() {
    static SimState state;
    return state;
}

void reset_sim_state(SimState& state) {
    state.samples.count = 0;
    state.reference.count = 0;
    for (std::int32_t i = 0; i <= kStoreCapacity; ++i) {
        state.samples.time[i] = state.reference.time[i] = 0;
        for (int v = 0; v < 8; ++v) state.samples.values[i][v] = state.reference.values[i][v] = 0;
    }
    state.view = ViewRecord{};
    state.dirty = true;
    state.results_valid = false;
    state.reference_present = false;
    state.save_ref_enabled = false;
    state.run_blocked = false;
}

void mark_dirty(SimState& state) {
    state.dirty = true;
    state.run_blocked = false;
}

void save_reference(SimState& state) {
    const std::int32_t n = state.samples.count;
    state.reference.count = n;
    for (std::int32_t i = 1; i <= n; ++i) {
        state.reference.time[i] = state.samples.time[i];
        for (int v = 0; v < 8; ++v) state.reference.values[i][v] = state.samples.values[i][v];
    }
    state.reference_present = true;
}

void delete_reference(SimState& state) { state.reference_present = false; }

}  // namespace zelvar
