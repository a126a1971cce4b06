#include "app/dispatch_cli.h"

namespace zelvar {

int run_cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    (void)args;
    (void)out;
    err << "usage: zelvar-cli design|magnifier|simulate [options]\n";
    return kExitUsage;
}

}  // namespace zelvar
