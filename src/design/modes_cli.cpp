#include "design/modes_cli.h"

#include <cstring>

#include "app/atomic_file.h"
#include "design/cli_common.h"
#include "design/mode_explorer.h"
#include "widgets/numeric_text.h"

namespace zelvar {

namespace {

struct RealOption {
    const char* name;
    const char* help;
    long double DesignInputs::*field;
    std::string text;
};

}  // namespace

int modes_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const DesignInputs defaults;
    CLI::App app{"Runs the network design for every integer mode k < l < m < n up to a limit (no value file is "
                 "written) and prints the realizable modes sorted by k12.",
                 "zelvar-cli modes"};
    RealOption reals[] = {
        {"--C1", "primary capacitance C1, F", &DesignInputs::C1, {}},
        {"--C3", "output capacitance C3, F", &DesignInputs::C3, {}},
        {"--L3", "output inductance L3, H", &DesignInputs::L3, {}},
    };
    for (RealOption& o : reals)
        app.add_option(o.name, o.text, o.help)->type_name("NUMBER")->default_str(real_display_text(defaults.*o.field));
    std::string excitation = "m";
    app.add_option("--excitation", excitation,
                   "excitation frequency: k*w0 (irrealizable), l*w0 (incomplete transfer), m*w0 or n*w0")
        ->type_name("LETTER")
        ->check(CLI::IsMember({"k", "l", "m", "n"}))
        ->default_str("m");
    std::string g1_text, g2_text;
    CLI::Option* leave_c1 =
        app.add_option("--leave-c1", g1_text, "excitation at l only: leave energy in C1 with this factor")
            ->type_name("FACTOR");
    CLI::Option* leave_c2 =
        app.add_option("--leave-c2", g2_text, "excitation at l only: leave energy in C2 with this factor")
            ->type_name("FACTOR");
    std::string max_text, k12_text, csv_file;
    app.add_option("--max", max_text, "largest multiplier n")->type_name("N")->default_str("21");
    app.add_option("--k12-max", k12_text, "list only the modes with k12 up to K")->type_name("K")->default_str("1");
    bool all = false;
    app.add_flag("--all", all, "also list the modes whose design stopped, with the reason");
    app.add_option("--csv", csv_file,
                   "write the listed rows: k,l,m,n,status,k12,fin,f1,f2,f3,t_transfer,cycles,L1,C2,L2 (SI units)")
        ->type_name("FILE");

    if (const int status = parse_command_line(app, args, out, err); status >= 0) return status;

    return run_command(
        [&] {
            DesignInputs inputs;
            for (const RealOption& o : reals)
                if (app.count(o.name) > 0) inputs.*o.field = parse_real(o.text);
            inputs.excitation = static_cast<int>(std::string("klmn").find(excitation));
            inputs.leave_c1 = leave_c1->count() > 0;
            if (inputs.leave_c1) inputs.g1 = parse_real(g1_text);
            inputs.leave_c2 = leave_c2->count() > 0;
            if (inputs.leave_c2) inputs.g2 = parse_real(g2_text);
            const std::int32_t max = app.count("--max") > 0 ? parse_int(max_text) : 21;
            const long double k12_max = app.count("--k12-max") > 0 ? parse_real(k12_text) : 1;

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
