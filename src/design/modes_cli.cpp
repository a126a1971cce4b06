// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/modes_cli.h"

#include <cstring>

#include "app/atomic_file.h"
#include "app/project_options.h"
#include "design/cli_common.h"
#include "design/design_options.h"
#include "design/mode_explorer.h"
#include "widgets/numeric_text.h"

namespace zelvar {

int modes_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{"Runs the network design for every integer mode k < l < m < n up to a limit (no value file is "
                 "written) and prints the realizable modes sorted by k12.",
                 "zelvar-cli modes"};
    set_usage_failure(app, "modes");
    const DesignOptions design_options(app, false);
    std::string max_text, k12_text, csv_file;
    app.add_option("--max", max_text, "largest multiplier n")->type_name("N")->default_str("21");
    app.add_option("--k12-max", k12_text, "list only the modes with k12 up to K")->type_name("K")->default_str("1");
    bool all = false;
    app.add_flag("--all", all, "also list the modes whose design stopped, with the reason");
    app.add_option("--csv", csv_file,
                   "write the listed rows: k,l,m,n,status,k12,fin,f1,f2,f3,t_transfer,cycles,L1,C2,L2 (SI units)")
        ->type_name("FILE");
    const ProjectOptions project_options(app);

    if (const int status = parse_command_line(app, args, out, err); status >= 0) return status;

    return run_command(
        [&] {
            Project project = project_options.base();
            const DesignInputs inputs = design_options.inputs(project);
            const std::int32_t max = app.count("--max") > 0 ? parse_int(max_text) : 21;
            long double k12_max = 1;
            take_modes_k12max(project, k12_max);
            if (app.count("--k12-max") > 0) k12_max = parse_real(k12_text);
            {
                PrintingSink log(out);
                put_design_inputs(project, inputs);
                put_modes_k12max(project, k12_max);
                project_options.save(project, log);
            }

            const std::vector<ModeRow> rows = select_modes(explore_modes(inputs, max), k12_max, all);
            PrintingSink log(out);
            for (const std::string& line : mode_table_lines(rows)) report_line(log, line);
            if (!csv_file.empty()) {
                try {
                    write_file_atomically(csv_file, modes_csv(rows));
                } catch (const FileError& e) {
                    throw Error("CSV file " + csv_file + " cannot be written: " + std::strerror(e.errno_value));
                }
                report_line(log, "Modes saved in file " + csv_file);
            }
            return true;
        },
        out, err);
}

}  // namespace zelvar
