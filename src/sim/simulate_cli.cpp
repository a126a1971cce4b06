// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/simulate_cli.h"

#include <array>
#include <cctype>
#include <optional>

#include "app/atomic_file.h"
#include "app/project_options.h"
#include "design/cli_common.h"
#include "sim/channels.h"
#include "sim/param_table.h"
#include "sim/sample_csv.h"
#include "sim/sim_run.h"
#include "sim/value_file_input.h"
#include "widgets/numeric_text.h"

#ifdef ZELVAR_PICTURES
#include "plot/picture_loader.h"
#endif

namespace zelvar {

namespace {

bool same_ignoring_case(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// An option's help: what it sets, the window's caption where it differs from
// the option's name, and the default in brackets.
std::string option_help(const ParamSpec& p) {
    std::string help = p.help;
    if (p.caption != nullptr && p.kind != ParamKind::choice && !same_ignoring_case(p.caption, p.option))
        help += std::string(" (\"") + p.caption + "\")";
    const std::string fallback = param_default_text(p);
    if (p.also_sets != nullptr)
        help += " [off (" + std::string(p.unit) + " = " + fallback + ")]";
    else
        help += " [" + fallback + "]";
    return help;
}

// Sets what the option of p given with `text` stands for.
void apply(const ParamSpec& p, const std::string& text, SimParams& params) {
    switch (p.kind) {
        case ParamKind::real:
            params.*p.real = option_real(std::string("--") + p.option, text);
            break;
        case ParamKind::integer:
            params.*p.integer = option_int(std::string("--") + p.option, text);
            break;
        case ParamKind::flag:
            params.*p.flag = true;
            break;
        case ParamKind::choice:
            for (int i = 0; p.choices[i] != nullptr; ++i)
                if (text == p.choices[i]) {
                    params.*p.choice = i;
                    break;
                }
            break;
    }
    if (p.also_sets != nullptr) params.*p.also_sets = true;
}

// "WxH" with 1 <= W, H <= 10000; false when the text is not such a size.
bool parse_size(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos || x == 0 || x + 1 == text.size() || x > 5 || text.size() - x - 1 > 5) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i != x && (text[i] < '0' || text[i] > '9')) return false;
    width = std::stoi(text.substr(0, x));
    height = std::stoi(text.substr(x + 1));
    return width >= 1 && width <= 10000 && height >= 1 && height <= 10000;
}

}  // namespace

struct RunOptions::Given {
    const ParamSpec* entry;
    std::string text;
    CLI::Option* cli;
};

RunOptions::RunOptions(CLI::App& app, bool circuit_only) {
    // One option per entry of the parameter table that has one.
    given_.reserve(kParamCount);  // CLI11 keeps a reference to each text
    for (const ParamSpec& p : kParamTable) {
        if (p.option == nullptr || (circuit_only && !is_circuit_param(p))) continue;
        given_.push_back({&p, {}, nullptr});
        Given& g = given_.back();
        const std::string name = std::string("--") + p.option;
        if (p.kind == ParamKind::flag) {
            const std::string help = option_help(p);
            g.cli = app.add_flag(name, help)->disable_flag_override();
            continue;
        }
        g.cli = app.add_option(name, g.text, option_help(p))
                    ->type_name(p.unit)
                    ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        if (p.kind == ParamKind::choice) {
            std::vector<std::string> words;
            for (int i = 0; p.choices[i] != nullptr; ++i) words.push_back(p.choices[i]);
            g.cli->check(CLI::IsMember(words));
        }
    }
    values_ = app.add_option("--values", values_text_,
                             "take C1, L1, C2, L2, C3, L3, k12 and fin from a value file written by the design; "
                             "element options given beside it override its values [none]")
                  ->type_name("FILE")
                  ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

RunOptions::~RunOptions() = default;

SimParams RunOptions::params(const Project& base) const {
    SimParams params;
    take_sim_params(base, params);
    if (values_->count() > 0) read_value_file(values_text_, params);
    for (const Given& g : given_)
        if (g.cli->count() > 0) apply(*g.entry, g.text, params);
    return params;
}

int simulate_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{"Simulates the circuit and prints the lines the run writes to the report log.\n"
                 "Exit status: 0 completed, 1 stopped by the run's own check (its line is the\n"
                 "last one printed), 2 error (message on standard error or an output that\n"
                 "cannot be written), 64 usage error.  A completed run ends with the line\n"
                 "\"Run completed: N points.\" (and \"Samples saved in file FILE\" with --csv,\n"
                 "\"Picture saved in file FILE\" with --png or --svg).\n"
                 "Defaults are in brackets.",
                 "zelvar-cli simulate"};
    set_usage_failure(app, "simulate");
    const RunOptions run_options(app);
    std::string csv_text;
    CLI::Option* csv =
        app.add_option("--csv", csv_text,
                       "after a completed run, write the samples: t,vin,v1,v2,v3,vl,i1,i2,i3 (21 digits) [none]")
            ->type_name("FILE")
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    // The waveform window's picture of the run: its size, and the scale
    // factors of the parameter window's fields.
    std::string png_text, svg_text, size_text;
    CLI::Option* png = app.add_option("--png", png_text,
                                      "after a completed run, write the waveform window's picture as PNG [none]")
                           ->type_name("FILE")
                           ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    CLI::Option* svg = app.add_option("--svg", svg_text,
                                      "after a completed run, write the waveform window's picture as SVG [none]")
                           ->type_name("FILE")
                           ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--size", size_text, "size of the picture in pixels (the waveform window's paint box) [632x476]")
        ->type_name("WxH")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
        ->check(CLI::Validator(
            [](std::string& text) {
                int w = 0, h = 0;
                return parse_size(text, w, h) ? std::string()
                                              : "the size must be WxH pixels, each 1 to 10000, e.g. 632x476";
            },
            ""));
    std::array<std::string, kChannelCount> scale_text;
    std::array<CLI::Option*, kChannelCount> scale_cli{};
    for (int c = 0; c < kChannelCount; ++c)
        scale_cli[c] = app.add_option(std::string("--scale-") + kChannels[c].csv_name, scale_text[c],
                                      std::string("picture: scale factor of ") + kChannels[c].csv_name + " [1]")
                           ->type_name("F")
                           ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    const ProjectOptions project_options(app);

    if (const int status = parse_command_line(app, args, out, err); status >= 0) return status;

    return run_command(
        "simulate",
        [&] {
            const bool picture = png->count() > 0 || svg->count() > 0;
            check_outputs({{"--values", run_options.values_file(), true},
                           {"--csv", csv->count() > 0 ? csv_text : std::string()},
                           {"--png", png->count() > 0 ? png_text : std::string()},
                           {"--svg", svg->count() > 0 ? svg_text : std::string()}});
#ifndef ZELVAR_PICTURES
            if (picture) throw Error("This zelvar-cli was built without Qt: --png and --svg are not available");
#endif
            int width = 632, height = 476;
            if (!size_text.empty()) parse_size(size_text, width, height);  // checked by the parser
            Project project = project_options.base();
            std::array<long double, kChannelCount> scales{1, 1, 1, 1, 1, 1, 1, 1};
            take_scales(project, scales);
            for (int c = 0; c < kChannelCount; ++c)
                if (scale_cli[c]->count() > 0)
                    scales[c] = option_real(std::string("--scale-") + kChannels[c].csv_name, scale_text[c]);
            const SimParams params = run_options.params(project);
            const bool store = csv->count() > 0 || picture;
            // Every output is known to be writable before the run.
            if (csv->count() > 0) check_writable("CSV", csv_text);
            if (png->count() > 0) check_writable("Picture", png_text);
            if (svg->count() > 0) check_writable("Picture", svg_text);

            PrintingSink log(out);
            put_sim_params(project, params);
            put_scales(project, scales);
            project_options.save(project, log);
            SimResult result;
            if (!run_simulation(params, log, result, store)) return false;
            report_line(log, "Run completed: " + I(params.points) + " points.");
            if (csv->count() > 0) {
                write_sample_csv_file(csv_text, result.samples);
                announce_file(out, "Samples", csv_text);
            }
#ifdef ZELVAR_PICTURES
            if (picture) {
                // One picture at a time, each announced as soon as it is written.
                if (png->count() > 0) {
                    write_run_pictures_on_demand(png_text, std::string(), width, height, result.samples,
                                                 result.range, scales);
                    announce_file(out, "Picture", png_text);
                }
                if (svg->count() > 0) {
                    write_run_pictures_on_demand(std::string(), svg_text, width, height, result.samples,
                                                 result.range, scales);
                    announce_file(out, "Picture", svg_text);
                }
            }
#endif
            return true;
        },
        out, err);
}

}  // namespace zelvar
