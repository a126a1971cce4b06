// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/response_cli.h"

#include "app/project_options.h"
#include "design/cli_common.h"
#include "sim/freq_response.h"
#include "sim/value_file_input.h"
#include "widgets/numeric_text.h"

namespace zelvar {

namespace {

struct RealOption {
    const char* name;
    const char* help;
    long double SimParams::*field;
    std::string text;
};

}  // namespace

int response_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const SimParams defaults;
    CLI::App app{"Prints the natural frequencies of the simulated circuit and its steady-state response to a "
                 "sine source over a logarithmic frequency range: |V3/Vin| in dB and the input impedance "
                 "|Zin| and its phase.",
                 "zelvar-cli response"};
    set_usage_failure(app, "response");
    // The circuit options of `simulate`, with the parameter window's defaults.
    RealOption reals[] = {
        {"--C1", "primary capacitance, F", &SimParams::C1, {}},
        {"--L1", "primary inductance, H", &SimParams::L1, {}},
        {"--R1", "primary resistance, ohm", &SimParams::R1, {}},
        {"--C2", "secondary capacitance, F", &SimParams::C2, {}},
        {"--L2", "secondary inductance, H", &SimParams::L2, {}},
        {"--R2", "secondary resistance, ohm", &SimParams::R2, {}},
        {"--C3", "output capacitance, F", &SimParams::C3, {}},
        {"--L3", "output inductance, H", &SimParams::L3, {}},
        {"--R3", "output inductor resistance, ohm", &SimParams::R3, {}},
        {"--CL", "load capacitance (\"C load\"), F", &SimParams::CL, {}},
        {"--RL", "load resistance (\"R load\"), ohm", &SimParams::RL, {}},
        {"--k12", "coupling coefficient of L1 and L2", &SimParams::k12, {}},
        {"--fin", "source frequency (\"Fin (Hz)\"), Hz: its response is printed", &SimParams::fin, {}},
    };
    for (RealOption& o : reals)
        app.add_option(o.name, o.text, o.help)->type_name("NUMBER")->default_str(real_display_text(defaults.*o.field));
    std::string values_file, csv_file, from_text, to_text, points_text;
    app.add_option("--values", values_file,
                   "take C1, L1, C2, L2, C3, L3, k12 and fin from a value file written by the design; element "
                   "options given beside it override its values")
        ->type_name("FILE");
    app.add_option("--from", from_text, "lowest frequency, Hz (default: half the lowest natural frequency)")
        ->type_name("HZ");
    app.add_option("--to", to_text, "highest frequency, Hz (default: twice the highest natural frequency)")
        ->type_name("HZ");
    app.add_option("--points", points_text, "number of frequencies, logarithmically spaced")
        ->type_name("N")
        ->default_str("2000");
    app.add_option("--csv", csv_file, "write the curve: f,v3_db,zin_ohm,zin_deg (15 significant digits)")
        ->type_name("FILE");
    const ProjectOptions project_options(app);

    if (const int status = parse_command_line(app, args, out, err); status >= 0) return status;

    return run_command(
        [&] {
            Project project = project_options.base();
            SimParams p;
            take_sim_params(project, p);
            if (!values_file.empty()) read_value_file(values_file, p);
            for (const RealOption& o : reals)
                if (app.count(o.name) > 0) p.*o.field = parse_real(o.text);
            {
                PrintingSink log(out);
                put_sim_params(project, p);
                project_options.save(project, log);
            }
            ResponseRange range;
            const bool from_given = app.count("--from") > 0, to_given = app.count("--to") > 0;
            if (from_given) range.from = parse_real(from_text);
            if (to_given) range.to = parse_real(to_text);
            if (app.count("--points") > 0) range.points = parse_int(points_text);

            PrintingSink log(out);
            const std::vector<NaturalFrequency> naturals = natural_frequencies(circuit_poles(p));
            report_line(log, "Natural frequencies:");
            for (std::size_t j = 0; j < naturals.size(); ++j)
                report_line(log, "f" + I(static_cast<std::int32_t>(j + 1)) + ": " + F(naturals[j].f, 14, 9) +
                                     " Hz, decay " + E(naturals[j].decay, 16) + " 1/s");
            if (!from_given || !to_given) {
                const ResponseRange around = default_range(naturals);
                if (!from_given) range.from = around.from;
                if (!to_given) range.to = around.to;
            }
            const std::vector<ResponsePoint> curve = frequency_response(p, range);
            report_line(log, "Frequency response: " + I(range.points) + " points from " + F(range.from, 14, 6) +
                                 " Hz to " + F(range.to, 14, 6) + " Hz");
            report_line(log, "Maxima of |V3/Vin|:");
            for (const std::size_t i : v3_maxima(curve))
                report_line(log, F(curve[i].v3_db, 12, 6) + " dB at " + F(curve[i].f, 14, 6) + " Hz");
            const ResponsePoint source = response_at(p, p.fin);
            report_line(log, "At fin = " + F(p.fin, 14, 6) + " Hz: |V3/Vin| " + F(source.v3_db, 12, 6) +
                                 " dB, |Zin| " + E(source.zin_ohm, 16) + " ohm, phase " + F(source.zin_deg, 10, 4) +
                                 " deg");
            if (!csv_file.empty()) {
                write_response_csv_file(csv_file, curve);
                report_line(log, "Response saved in file " + csv_file);
            }
            return true;
        },
        out, err);
}

}  // namespace zelvar
