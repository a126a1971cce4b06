// Placeholder until the simulation run lands; its owner replaces this file.
#include "sim/sim_run.h"

#include "app/faults.h"

namespace zelvar {

bool run_simulation(const SimParams&, SimState&, ReportSink&) { throw Error("The simulation is not built yet"); }

}  // namespace zelvar
