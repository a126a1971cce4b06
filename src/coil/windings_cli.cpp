// SPDX-License-Identifier: GPL-3.0-or-later
#include "coil/windings_cli.h"

#include "app/atomic_file.h"
#include "app/project_options.h"
#include "coil/windings.h"
#include "coil/windings_report.h"
#include "design/cli_common.h"
#include "sim/value_file_input.h"
#include "widgets/numeric_text.h"

namespace zelvar {

namespace {

struct ElementOption {
    const char* name;
    const char* help;
    long double SimParams::*field;
    std::string text;
};

struct LengthOption {
    const char* name;
    std::string help;
    long double* field;
    std::string text;
};

}  // namespace

int windings_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const SimParams defaults;
    CLI::App app{"Prints the winding sheet of a design: the secondary's turns for L2, its own capacitance and the "
                 "capacitor to add for C2, the extra coil's turns for L3 and the top terminal for C3, the "
                 "primary's turns and offset for L1 and k12, and the wire's resistance at fin (R1, R2, R3).\n"
                 "Lengths are in metres, diameters to the conductor's centre; the secondary's lowest turn is at "
                 "height 0, the primary's lowest turn at its offset.\n"
                 "Exit status: 0 completed, 2 error (a target that cannot be met, with what to change), 64 usage "
                 "error.  Defaults are in brackets.",
                 "zelvar-cli windings"};
    set_usage_failure(app, "windings");
    ElementOption elements[] = {
        {"--C1", "primary capacitance, F", &SimParams::C1, {}},
        {"--L1", "primary inductance, H", &SimParams::L1, {}},
        {"--C2", "secondary capacitance, F", &SimParams::C2, {}},
        {"--L2", "secondary inductance, H", &SimParams::L2, {}},
        {"--C3", "output capacitance, F", &SimParams::C3, {}},
        {"--L3", "output inductance, H", &SimParams::L3, {}},
        {"--k12", "coupling coefficient of L1 and L2", &SimParams::k12, {}},
        {"--fin", "excitation frequency, Hz: the wire's resistance is taken at it", &SimParams::fin, {}},
    };
    for (ElementOption& o : elements)
        app.add_option(o.name, o.text, std::string(o.help) + " [" + real_display_text(defaults.*o.field) + "]")
            ->type_name("NUMBER")
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    std::string values_file;
    app.add_option("--values", values_file,
                   "take C1, L1, C2, L2, C3, L3, k12 and fin from a value file written by the design; element "
                   "options given beside it override its values [none]")
        ->type_name("FILE")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    coil::WindingChoices choices = coil::default_winding_choices();
    const std::string wire_pitch = "[the wire plus 10 % for its enamel]";
    LengthOption lengths[] = {
        {"--sec-diameter", "secondary's winding diameter, m", &choices.secondary.diameter, {}},
        {"--sec-wire", "secondary's bare wire diameter, m", &choices.secondary.wire, {}},
        {"--sec-pitch", "secondary's pitch (turn to turn), m " + wire_pitch, &choices.secondary.pitch, {}},
        {"--pri-diameter", "primary's innermost turn's diameter, m", &choices.primary.diameter, {}},
        {"--pri-conductor", "primary's conductor diameter, m", &choices.primary.conductor, {}},
        {"--pri-pitch", "primary's pitch: radial (spiral) or axial (helix) step per turn, m [twice the conductor]",
         &choices.primary.pitch, {}},
        {"--extra-diameter", "extra coil's winding diameter, m", &choices.extra.diameter, {}},
        {"--extra-wire", "extra coil's bare wire diameter, m", &choices.extra.wire, {}},
        {"--extra-pitch", "extra coil's pitch (turn to turn), m " + wire_pitch, &choices.extra.pitch, {}},
        {"--top-ratio", "toroid's tube diameter over its outer diameter", &choices.top.ratio, {}},
    };
    std::string shape_text = "spiral", top_text = "toroid", json_file;
    for (LengthOption& o : lengths) {
        std::string help = o.help;
        if (help.back() != ']') help += " [" + real_display_text(*o.field) + "]";
        app.add_option(o.name, o.text, help)
            ->type_name(std::string(o.name) == "--top-ratio" ? "NUMBER" : "METRES")
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    }
    app.add_option("--pri-shape", shape_text, "primary's shape: a flat spiral or a helix [spiral]")
        ->type_name("spiral|helix")
        ->check(CLI::IsMember({"spiral", "helix"}))
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--top", top_text, "top terminal: a toroid or a sphere [toroid]")
        ->type_name("toroid|sphere")
        ->check(CLI::IsMember({"toroid", "sphere"}))
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--json", json_file, "write every figure of the sheet in SI units as JSON [none]")
        ->type_name("FILE")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    const ProjectOptions project_options(app);

    if (const int status = parse_command_line(app, args, out, err); status >= 0) return status;

    return run_command(
        [&] {
            Project project = project_options.base();
            SimParams p;
            take_sim_params(project, p);
            take_windings(project, choices);
            if (app.count("--values") > 0) read_value_file(values_file, p);
            for (const ElementOption& o : elements)
                if (app.count(o.name) > 0) p.*o.field = parse_real(o.text);
            for (const LengthOption& o : lengths)
                if (app.count(o.name) > 0) *o.field = parse_real(o.text);
            if (app.count("--sec-wire") > 0 && app.count("--sec-pitch") == 0)
                choices.secondary.pitch = coil::default_pitch(choices.secondary.wire);
            if (app.count("--extra-wire") > 0 && app.count("--extra-pitch") == 0)
                choices.extra.pitch = coil::default_pitch(choices.extra.wire);
            if (app.count("--pri-conductor") > 0 && app.count("--pri-pitch") == 0)
                choices.primary.pitch = 2 * choices.primary.conductor;
            if (app.count("--pri-shape") > 0)
                choices.primary.shape = shape_text == "helix" ? coil::PrimaryShape::helix : coil::PrimaryShape::spiral;
            if (app.count("--top") > 0)
                choices.top.kind = top_text == "sphere" ? coil::TopKind::sphere : coil::TopKind::toroid;
            {
                PrintingSink log(out);
                put_sim_params(project, p);
                put_windings(project, choices);
                project_options.save(project, log);
            }

            const coil::WindingTargets targets{p.C1, p.L1, p.C2, p.L2, p.C3, p.L3, p.k12, p.fin};
            const coil::WindingSheet sheet = coil::solve_windings(targets, choices);
            PrintingSink log(out);
            for (const std::string& line : coil::winding_sheet_lines(sheet)) report_line(log, line);
            if (!json_file.empty()) {
                write_file_atomically(json_file, coil::winding_sheet_json(sheet));
                report_line(log, "Winding sheet saved in file " + json_file);
            }
            return true;
        },
        out, err);
}

}  // namespace zelvar
