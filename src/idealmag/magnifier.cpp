// Placeholder until the magnifier design lands; its owner replaces this file.
#include "idealmag/magnifier.h"

#include "app/faults.h"

namespace zelvar {

bool design_magnifier(const MagnifierInputs&, ReportSink&, MagnifierResults&) {
    throw Error("The magnifier design is not built yet");
}

}  // namespace zelvar
