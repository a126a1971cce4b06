#include "design/design_cli.h"

#include "design/cli_common.h"
#include "design/design_options.h"
#include "design/design_run.h"

namespace zelvar {

int design_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{"Designs a triple-resonance network for the mode k:l:m:n, prints the report and writes "
                 "zelvar.val in the current directory.",
                 "zelvar-cli design"};
    set_usage_failure(app, "design");
    const DesignOptions design_options(app, true);

    if (const int status = parse_command_line(app, args, out, err); status >= 0) return status;

    return run_command(
        "design",
        [&] {
            const DesignInputs inputs = design_options.inputs();
            PrintingSink log(out);
            return run_design(inputs, log, nullptr);
        },
        out, err);
}

}  // namespace zelvar
