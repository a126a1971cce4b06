// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/atomic_file.h"
#include "coil/windings.h"
#include "coil/windings_cli.h"
#include "coil/windings_report.h"
#include "design/cli_common.h"
#include "widgets/numeric_text.h"

namespace zelvar {

int coil_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{"Prints the analysis of one single-layer coil already wound: its inductance, own capacitance and "
                 "self-resonant frequency, its wire's length and mass, DC and AC resistance and Q.\n"
                 "Lengths are in metres, the diameter to the wire's centre.\n"
                 "Exit status: 0 completed, 2 error, 64 usage error.  Defaults are in brackets.",
                 "zelvar-cli coil"};
    set_usage_failure(app, "coil");
    std::string diameter, turns, pitch, wire, frequency, json_file;
    app.add_option("--diameter", diameter, "winding diameter to the wire's centre, m")
        ->type_name("METRES")
        ->required()
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--turns", turns, "number of turns (a fraction counts as part of a last turn)")
        ->type_name("NUMBER")
        ->required()
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--pitch", pitch, "turn-to-turn distance, m")
        ->type_name("METRES")
        ->required()
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--wire", wire, "bare wire diameter, m")
        ->type_name("METRES")
        ->required()
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--frequency", frequency, "frequency of the AC resistance and Q, Hz [the self-resonance]")
        ->type_name("HZ")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--json", json_file, "write every figure in SI units as JSON [none]")
        ->type_name("FILE")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    if (const int status = parse_command_line(app, args, out, err); status >= 0) return status;

    return run_command(
        [&] {
            const coil::SolenoidChoice choice{parse_real(diameter), parse_real(wire), parse_real(pitch)};
            const long double n = parse_real(turns);
            long double f = 0;
            if (app.count("--frequency") > 0) {
                f = parse_real(frequency);
            } else {
                f = coil::self_resonance(coil::analyse_solenoid(choice, n, 0));
            }
            const coil::CoilFigures figures = coil::analyse_solenoid(choice, n, f);
            PrintingSink log(out);
            for (const std::string& line : coil::coil_analysis_lines(figures, f)) report_line(log, line);
            if (!json_file.empty()) {
                write_file_atomically(json_file, coil::coil_json(figures, f));
                report_line(log, "Coil figures saved in file " + json_file);
            }
            return true;
        },
        out, err);
}

}  // namespace zelvar
