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
        [&] {
            const DesignInputs inputs = design_options.inputs();
            const std::int32_t max = app.count("--max") > 0 ? parse_int(max_text) : 21;
            const long double k12_max = app.count("--k12-max") > 0 ? parse_real(k12_text) : 1;

            int threads = 0;
            if (app.count("--threads") > 0) {
                threads = parse_int(threads_text);
                if (threads < 1) throw Error("The number of threads must be at least 1");
            }

            // Only the listed rows are kept; on a terminal, the count of
            // designs done is shown on standard error while they run.
            ModeListing listing(k12_max, all);
            const bool show_progress = &err == &std::cerr && isatty(STDERR_FILENO) == 1;
            const std::int32_t total = mode_count(std::min(max, 200));
            std::int64_t done = 0;
            auto shown = std::chrono::steady_clock::now();
            explore_modes_in_order(inputs, max, threads, [&](const ModeRow& row) {
                listing.add(row);
                ++done;
                if (!show_progress || (done & 1023) != 0) return;
                const auto now = std::chrono::steady_clock::now();
                if (now - shown < std::chrono::milliseconds(200)) return;
                shown = now;
                err << "\rDesigned " << done << " of " << total << " modes" << std::flush;
            });
            if (show_progress && total > 0) err << "\r\033[K" << std::flush;
            listing.sort();

            PrintingSink log(out);
            for (const std::string& line : mode_table_head(listing.realizable())) report_line(log, line);
            for (std::size_t i = 0; i < listing.size(); ++i) report_line(log, mode_table_line(listing.row(i)));
            if (!csv_file.empty()) {
                std::string csv = modes_csv_head();
                for (std::size_t i = 0; i < listing.size(); ++i) csv += modes_csv_line(listing.row(i));
                try {
                    write_file_atomically(csv_file, csv);
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
