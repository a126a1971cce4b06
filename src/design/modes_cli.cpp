#include "design/modes_cli.h"

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <iostream>

#include "app/atomic_file.h"
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
    std::string threads_text;
    app.add_option("--threads", threads_text, "worker threads")->type_name("T")->default_str("all cores");

    if (const int status = parse_command_line(app, args, out, err); status >= 0) return status;

    return run_command(
        "modes",
        [&] {
            const DesignInputs inputs = design_options.inputs();
            const std::int32_t max = app.count("--max") > 0 ? option_int("--max", max_text) : 21;
            if (max < 4 || max > 200)
                throw SettingError("The largest multiplier must be at least 4 (the smallest mode is 1:2:3:4) and "
                                   "at most 200");
            const long double k12_max = app.count("--k12-max") > 0 ? option_real("--k12-max", k12_text) : 1;
            const bool csv = app.count("--csv") > 0;
            if (csv) check_writable("CSV", csv_file);

            int threads = 0;
            if (app.count("--threads") > 0) {
                threads = option_int("--threads", threads_text);
                if (threads < 1) throw SettingError("The number of threads must be at least 1");
            }

            // Only the listed rows are kept; on a terminal, the count of
            // designs done is shown on standard error while they run.
            ModeListing listing(k12_max, all);
            ExploreProgress progress;
            const std::atomic<std::int32_t> total{mode_count(max)};
            with_progress(err, "Modes", "designs", progress.done, total, [&] {
                explore_modes_in_order(inputs, max, threads, [&](const ModeRow& row) { listing.add(row); },
                                       &progress);
                return true;
            });
            listing.sort();

            PrintingSink log(out);
            for (const std::string& line : mode_table_head(listing.realizable())) report_line(log, line);
            for (std::size_t i = 0; i < listing.size(); ++i) report_line(log, mode_table_line(listing.row(i)));
            if (csv) {
                std::string text = modes_csv_head();
                for (std::size_t i = 0; i < listing.size(); ++i) text += modes_csv_line(listing.row(i));
                write_named_file("CSV", csv_file, text);
                announce_file(out, "Modes", csv_file);
            }
            return true;
        },
        out, err);
}

}  // namespace zelvar
