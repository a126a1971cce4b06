#include "design/design_cli.h"

#include "design/cli_common.h"
#include "design/design_run.h"
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

int design_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const DesignInputs defaults;
    CLI::App app{"Designs a triple-resonance network for the mode k:l:m:n, prints the report and writes "
                 "zelvar.val in the current directory.",
                 "zelvar-cli design"};
    RealOption reals[] = {
        {"--k", "multiplier k", &DesignInputs::k, {}},
        {"--l", "multiplier l", &DesignInputs::l, {}},
        {"--m", "multiplier m", &DesignInputs::m, {}},
        {"--n", "multiplier n", &DesignInputs::n, {}},
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
        app.add_option("--leave-c1", g1_text,
                       "excitation at l only: leave energy in C1 with this factor (default: unticked; the "
                       "window's factor is " + real_display_text(defaults.g1) + ")")
            ->type_name("FACTOR");
    CLI::Option* leave_c2 =
        app.add_option("--leave-c2", g2_text,
                       "excitation at l only: leave energy in C2 with this factor (default: unticked; the "
                       "window's factor is " + real_display_text(defaults.g2) + ")")
            ->type_name("FACTOR");

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
            PrintingSink log(out);
            return run_design(inputs, log, nullptr);
        },
        out, err);
}

}  // namespace zelvar
