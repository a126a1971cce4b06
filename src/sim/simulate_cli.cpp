#include "sim/simulate_cli.h"

#include "app/dispatch_cli.h"

namespace zelvar {

int simulate_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    (void)args;
    (void)out;
    err << "zelvar-cli simulate: not built yet\n";
    return kExitUsage;
}

}  // namespace zelvar
