#pragma once
// The design's input options, shared by `zelvar-cli design` and `modes`
// (include only from *_cli.cpp, which are built with CLI11): the multipliers
// where the command takes a mode, C1, C3, L3, the excitation and the two
// energy-left factors, with the design window's defaults.
#include <string>

#include "design/cli_common.h"
#include "design/design_run.h"
#include "widgets/numeric_text.h"

namespace zelvar {

class DesignOptions {
public:
    // CLI11 keeps references into the object: it must stay in place while
    // the app parses.
    DesignOptions(CLI::App& app, bool with_mode) {
        const DesignInputs defaults;
        reals_[0] = {"--k", "multiplier k", &DesignInputs::k, {}};
        reals_[1] = {"--l", "multiplier l", &DesignInputs::l, {}};
        reals_[2] = {"--m", "multiplier m", &DesignInputs::m, {}};
        reals_[3] = {"--n", "multiplier n", &DesignInputs::n, {}};
        reals_[4] = {"--C1", "primary capacitance C1, F", &DesignInputs::C1, {}};
        reals_[5] = {"--C3", "output capacitance C3, F", &DesignInputs::C3, {}};
        reals_[6] = {"--L3", "output inductance L3, H", &DesignInputs::L3, {}};
        first_ = with_mode ? 0 : 4;
        for (int i = first_; i < kReals; ++i)
            app.add_option(reals_[i].name, reals_[i].text, reals_[i].help)
                ->type_name("NUMBER")
                ->default_str(real_display_text(defaults.*reals_[i].field));
        app.add_option("--excitation", excitation_,
                       "excitation frequency: k*w0 (irrealizable), l*w0 (incomplete transfer), m*w0 or n*w0")
            ->type_name("LETTER")
            ->check(CLI::IsMember({"k", "l", "m", "n"}))
            ->default_str("m");
        leave_c1_ = app.add_option("--leave-c1", g1_text_,
                                   "excitation at l only: leave energy in C1 with this factor (default: "
                                   "unticked; the window's factor is " +
                                       real_display_text(defaults.g1) + ")")
                        ->type_name("FACTOR");
        leave_c2_ = app.add_option("--leave-c2", g2_text_,
                                   "excitation at l only: leave energy in C2 with this factor (default: "
                                   "unticked; the window's factor is " +
                                       real_display_text(defaults.g2) + ")")
                        ->type_name("FACTOR");
        app_ = &app;
    }
    DesignOptions(const DesignOptions&) = delete;
    DesignOptions& operator=(const DesignOptions&) = delete;

    // The window's defaults with every option given; a refused number
    // raises zelvar::Error.
    DesignInputs inputs() const {
        DesignInputs inputs;
        for (int i = first_; i < kReals; ++i)
            if (app_->count(reals_[i].name) > 0) inputs.*reals_[i].field = option_real(reals_[i].name, reals_[i].text);
        inputs.excitation = static_cast<int>(std::string("klmn").find(excitation_));
        inputs.leave_c1 = leave_c1_->count() > 0;
        if (inputs.leave_c1) inputs.g1 = option_real("--leave-c1", g1_text_);
        inputs.leave_c2 = leave_c2_->count() > 0;
        if (inputs.leave_c2) inputs.g2 = option_real("--leave-c2", g2_text_);
        return inputs;
    }

private:
    struct RealOption {
        const char* name;
        const char* help;
        long double DesignInputs::*field;
        std::string text;
    };
    static constexpr int kReals = 7;
    RealOption reals_[kReals];
    int first_ = 0;
    std::string excitation_ = "m", g1_text_, g2_text_;
    CLI::Option* leave_c1_ = nullptr;
    CLI::Option* leave_c2_ = nullptr;
    const CLI::App* app_ = nullptr;
};

}  // namespace zelvar
