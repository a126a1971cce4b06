#include "sim/response_cli.h"

#include <cfloat>
#include <cmath>

#include "app/atomic_file.h"
#include "design/cli_common.h"
#include "sim/freq_response.h"
#include "sim/simulate_cli.h"
#include "widgets/numeric_text.h"

namespace zelvar {

int response_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{"Prints the natural frequencies of the simulated circuit and its steady-state response to a "
                 "sine source over a logarithmic frequency range: |V3/Vin| in dB and the input impedance "
                 "|Zin| and its phase.",
                 "zelvar-cli response"};
    set_usage_failure(app, "response");
    // The circuit options of `simulate` (and --values), from the same
    // parameter table.
    const RunOptions circuit_options(app, true);
    std::string csv_file, from_text, to_text, points_text;
    app.add_option("--from", from_text, "lowest frequency, Hz (default: half the lowest natural frequency)")
        ->type_name("HZ");
    app.add_option("--to", to_text, "highest frequency, Hz (default: twice the highest natural frequency)")
        ->type_name("HZ");
    app.add_option("--points", points_text, "number of frequencies, logarithmically spaced")
        ->type_name("N")
        ->default_str("2000");
    app.add_option("--csv", csv_file, "write the curve: f,v3_db,zin_ohm,zin_deg (15 significant digits)")
        ->type_name("FILE");

    if (const int status = parse_command_line(app, args, out, err); status >= 0) return status;

    return run_command(
        "response",
        [&] {
            const bool csv = app.count("--csv") > 0;
            check_outputs({{"--values", circuit_options.values_file(), true}, {"--csv", csv ? csv_file : ""}});
            const SimParams p = circuit_options.params();
            ResponseRange range;
            const bool from_given = app.count("--from") > 0, to_given = app.count("--to") > 0;
            if (from_given) range.from = option_real("--from", from_text);
            if (to_given) range.to = option_real("--to", to_text);
            if (app.count("--points") > 0) range.points = option_int("--points", points_text);
            check_response_circuit(p);
            {
                // The ends given are checked before anything is printed; the
                // others come from the natural frequencies.
                ResponseRange given = range;
                if (!from_given) given.from = LDBL_MIN;
                if (!to_given) given.to = LDBL_MAX;
                check_response_range(given);
            }
            if (csv) check_writable("CSV", csv_file);

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
            // A zero V3 (no coupling) or I1 has no dB figure or impedance.
            const std::string v3 = std::isfinite(source.v3_db) ? F(source.v3_db, 12, 6) + " dB" : "none (V3 = 0)";
            const std::string zin = std::isfinite(source.zin_ohm)
                                        ? E(source.zin_ohm, 16) + " ohm, phase " + F(source.zin_deg, 10, 4) + " deg"
                                        : "none (I1 = 0)";
            report_line(log, "At fin = " + F(p.fin, 14, 6) + " Hz: |V3/Vin| " + v3 + ", |Zin| " + zin);
            if (csv) {
                write_response_csv_file(csv_file, curve);
                announce_file(out, "Response", csv_file);
            }
            return true;
        },
        out, err);
}

}  // namespace zelvar
