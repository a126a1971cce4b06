#include "idealmag/magnifier_cli.h"

#include "design/cli_common.h"
#include "idealmag/magnifier.h"
#include "widgets/numeric_text.h"

namespace zelvar {

int magnifier_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const MagnifierInputs defaults;
    CLI::App app{"Designs an ideal spark-gap magnifier for the mode k:l:m and prints the report.",
                 "zelvar-cli magnifier"};
    set_usage_failure(app, "magnifier");
    struct IntOption {
        const char* name;
        const char* help;
        std::int32_t MagnifierInputs::*field;
        std::string text;
    } ints[] = {
        {"--k", "multiplier k (integer)", &MagnifierInputs::k, {}},
        {"--l", "multiplier l (integer)", &MagnifierInputs::l, {}},
        {"--m", "multiplier m (integer)", &MagnifierInputs::m, {}},
    };
    struct RealOption {
        const char* name;
        const char* help;
        long double MagnifierInputs::*field;
        std::string text;
    } reals[] = {
        {"--C1", "primary capacitance C1, F", &MagnifierInputs::C1, {}},
        {"--L3", "output inductance L3, H", &MagnifierInputs::L3, {}},
        {"--C3", "output capacitance C3, F", &MagnifierInputs::C3, {}},
    };
    for (IntOption& o : ints)
        app.add_option(o.name, o.text, o.help)->type_name("INTEGER")->default_str(int_display_text(defaults.*o.field));
    for (RealOption& o : reals)
        app.add_option(o.name, o.text, o.help)->type_name("NUMBER")->default_str(real_display_text(defaults.*o.field));

    if (const int status = parse_command_line(app, args, out, err); status >= 0) return status;

    return run_command(
        "magnifier",
        [&] {
            MagnifierInputs inputs;
            for (const IntOption& o : ints)
                if (app.count(o.name) > 0) inputs.*o.field = option_int(o.name, o.text);
            for (const RealOption& o : reals)
                if (app.count(o.name) > 0) inputs.*o.field = option_real(o.name, o.text);
            PrintingSink log(out);
            MagnifierResults results;
            return design_magnifier(inputs, log, results);
        },
        out, err);
}

}  // namespace zelvar
