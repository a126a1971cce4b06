// SPDX-License-Identifier: GPL-3.0-or-later
#include "fit/fit_report.h"

#include <charconv>
#include <cmath>

#include "app/faults.h"
#include "design/design_run.h"
#include "design/value_file.h"
#include "report/format.h"

namespace zelvar::fit {

namespace {

// A JSON number with 21 significant digits; null for a value that is not
// finite.
std::string number(long double x) {
    if (!std::isfinite(x)) return "null";
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 20);
    return std::string(buf, res.ptr);
}

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (const char c : s) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
        }
    }
    return out + "\"";
}

// {"name": value, ...} over the pairs given.
template <typename Pairs>
std::string object(const Pairs& pairs) {
    std::string out = "{";
    bool first = true;
    for (const auto& [key, value] : pairs) {
        out += (first ? "" : ", ") + quoted(key) + ": " + value;
        first = false;
    }
    return out + "}";
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs elements(const ElementValues& v) {
    Pairs p;
    for (int u = 0; u < kUnknowns; ++u) p.emplace_back(unknown_name(u), number(v.*unknown_field(u)));
    return p;
}

Pairs uncertainties(const FitSolution& s) {
    Pairs p;
    for (int u = 0; u < kUnknowns; ++u) p.emplace_back(unknown_name(u), number(s.uncertainty[u]));
    return p;
}

Pairs residuals(const FitInput& in, const FitSolution& s) {
    Pairs p;
    for (int m = 0; m < kMeasurements; ++m)
        if (in.measured[m] != 0) p.emplace_back(measurement_name(m), number(s.residual[m]));
    return p;
}

std::string figures(const NetworkFigures& n) {
    Pairs f;
    for (int m = 0; m < kMeasurements; ++m) f.emplace_back(measurement_name(m), number(n.frequencies[m]));
    return object(Pairs{{"frequencies", object(f)},
                        {"ratios", std::string("[").append(number(n.ratio2)).append(", ").append(number(n.ratio3)).append("]")},
                        {"efficiency", n.run.status == RunStatus::completed ? number(n.run.figures.efficiency)
                                                                             : std::string("null")}});
}

std::string efficiency_text(const NetworkFigures& n) {
    if (n.run.status == RunStatus::completed) return F(n.run.figures.efficiency, 0, 4) + " %";
    return "not available (" + n.run.message + ")";
}

std::string hz(long double f) { return F(f, 14, 3); }

// A scientific number without the blanks of its field.
std::string e(long double x, int width) {
    const std::string t = E(x, width);
    return t.substr(t.find_first_not_of(' '));
}

const char* knob_name(PrimaryKnob k) { return k == PrimaryKnob::L1 ? "L1" : "C1"; }

}  // namespace

FitOutcome analyse(const SimParams& run, FitInput in, const RetuneSettings& settings, RetuneControl* control) {
    FitOutcome o;
    o.run = run;
    in.nominal = elements_of(run);
    o.input = in;
    o.retune_settings = settings;
    o.fit = fit_network(in);
    if (!o.has_figures()) return o;
    o.design = network_figures(run, in.nominal);
    o.built = network_figures(run, o.fit.solutions[0].values);
    o.retune = retune(run, in.nominal, o.fit.solutions[0].values, settings, control);
    return o;
}

void write_fit_report(const FitOutcome& o, ReportSink& log) {
    const FpEnvironment fp_environment;
    report_line(log, "Measured resonances: " + I(measured_count(o.input)) + " frequencies, unknowns " +
                         unknowns_text(o.input.unknowns));
    if (o.fit.ambiguous()) {
        report_line(log, o.fit.ambiguity);
        for (std::size_t k = 0; k < o.fit.solutions.size(); ++k) {
            const FitSolution& s = o.fit.solutions[k];
            std::string line = "Solution " + I(static_cast<std::int32_t>(k + 1)) + ":";
            for (int u = 0; u < kUnknowns; ++u)
                if (o.input.unknowns[u]) line += std::string(" ") + unknown_name(u) + " " + e(s.values.*unknown_field(u), 16);
            for (Setup st : {Setup::open, Setup::shorted}) {
                line += std::string("; ") + setup_name(st) + ":";
                for (long double f : setup_frequencies(s.values, st)) {
                    line += ' ';
                    line += F(f, 0, 3);
                }
                line += " Hz";
            }
            report_line(log, line);
        }
        return;
    }
    const FitSolution& s = o.fit.solutions[0];
    report_line(log, "Element              design             as built     change    uncertainty");
    for (int u = 0; u < kUnknowns; ++u) {
        const long double d = o.input.nominal.*unknown_field(u), b = s.values.*unknown_field(u);
        std::string line = std::string(unknown_name(u)) + std::string(4 - std::string(unknown_name(u)).size(), ' ') +
                           E(d, 22) + E(b, 22) + F((b / d - 1) * 100, 9, 4) + " %";
        line += o.input.unknowns[u] ? F(s.uncertainty[u] / b * 100, 11, 4) + " %" : std::string("       held");
        report_line(log, line);
    }
    report_line(log, "Resonance (Hz)         design       measured       as built    residual");
    for (int m = 0; m < kMeasurements; ++m) {
        const std::string name = measurement_name(m);
        std::string line = name + std::string(11 - name.size(), ' ') + hz(o.design.frequencies[m]) +
                           (o.input.measured[m] != 0 ? hz(o.input.measured[m]) : std::string(14, ' ').append("-")) +
                           hz(o.built.frequencies[m]);
        if (o.input.measured[m] != 0) {
            line += ' ';
            line += E(s.residual[m], 11);
        }
        report_line(log, line);
    }
    report_line(log, "Mode f1:f2:f3: design 1 : " + F(o.design.ratio2, 0, 6) + " : " + F(o.design.ratio3, 0, 6) +
                         ", as built 1 : " + F(o.built.ratio2, 0, 6) + " : " + F(o.built.ratio3, 0, 6));
    report_line(log, "Efficiency at fin = " + F(o.run.fin, 0, 3) + " Hz, stop " + e(o.run.tstop, 14) +
                         " s: design " + efficiency_text(o.design) + ", as built " + efficiency_text(o.built));
    const RetuneResult& r = o.retune;
    const RetunePoint& b = r.best;
    report_line(log, std::string("Retune (") + knob_name(o.retune_settings.knob) + ", k12, fin, stop): L1 " +
                         e(b.L1, 16) + " H, C1 " + e(b.C1, 16) + " F, k12 " + F(b.k12, 0, 6) + ", fin " +
                         F(b.fin, 0, 3) + " Hz, stop " + e(b.tstop, 14) + " s");
    report_line(log, "Retune efficiency: " + F(b.efficiency, 0, 4) + " % (as built " +
                         F(r.as_built.efficiency, 0, 4) + " %, mode-ratio start " +
                         (r.start_found ? F(r.start.efficiency, 0, 4) + " %" : std::string("none")) + ", " +
                         I(r.runs) + " runs" + (r.cancelled ? ", cancelled" : "") + ")");
    if (o.design_primary && o.built_primary && o.retune_primary) {
        auto at = [](const PrimaryPlace& p) {
            if (!p.refused.empty()) return "not possible (" + p.refused + ")";
            return F(p.turns, 0, 3) + " turns at " + F(p.offset * 1000, 0, 1) + " mm";
        };
        report_line(log, "Primary: design " + at(*o.design_primary) + "; as built " + at(*o.built_primary));
        report_line(log, "Primary of the retune: " + at(*o.retune_primary));
    }
}

std::string fit_json(const FitOutcome& o) {
    const FpEnvironment fp_environment;
    Pairs top;
    std::string unknowns = "[";
    for (int u = 0; u < kUnknowns; ++u)
        if (o.input.unknowns[u]) unknowns += (unknowns.size() > 1 ? ", " : "") + quoted(unknown_name(u));
    top.emplace_back("unknowns", unknowns + "]");
    Pairs measured;
    for (int m = 0; m < kMeasurements; ++m)
        if (o.input.measured[m] != 0) measured.emplace_back(measurement_name(m), number(o.input.measured[m]));
    top.emplace_back("measured", object(measured));
    if (o.fit.ambiguous()) {
        std::string list = "[";
        for (const FitSolution& s : o.fit.solutions)
            list += (list.size() > 1 ? ", " : "") + object(Pairs{{"fitted", object(elements(s.values))},
                                                                 {"uncertainty", object(uncertainties(s))},
                                                                 {"residuals", object(residuals(o.input, s))}});
        top.emplace_back("solutions", list + "]");
        top.emplace_back("tells_apart", quoted(setup_name(o.fit.tells_apart)));
        return object(top) + "\n";
    }
    const FitSolution& s = o.fit.solutions[0];
    top.emplace_back("fitted", object(elements(s.values)));
    top.emplace_back("uncertainty", object(uncertainties(s)));
    top.emplace_back("residuals", object(residuals(o.input, s)));
    top.emplace_back("design", figures(o.design));
    top.emplace_back("as_built", figures(o.built));
    top.emplace_back("efficiency_as_built", o.built.run.status == RunStatus::completed
                                                ? number(o.built.run.figures.efficiency)
                                                : std::string("null"));
    const RetunePoint& b = o.retune.best;
    Pairs retune = {{"knob", quoted(knob_name(o.retune_settings.knob))},
                    {"L1", number(b.L1)},
                    {"C1", number(b.C1)},
                    {"k12", number(b.k12)},
                    {"fin", number(b.fin)},
                    {"stop", number(b.tstop)},
                    {"efficiency", number(b.efficiency)},
                    {"start_efficiency", o.retune.start_found ? number(o.retune.start.efficiency) : "null"}};
    if (o.retune_primary) {
        const bool placed = o.retune_primary->refused.empty();
        retune.emplace_back("tap_turns", placed ? number(o.retune_primary->turns) : "null");
        retune.emplace_back("offset", placed ? number(o.retune_primary->offset) : "null");
    }
    top.emplace_back("retune", object(retune));
    top.emplace_back("value_file", quoted(as_built_value_file(o)));
    return object(top) + "\n";
}

std::string as_built_value_file(const FitOutcome& o) {
    DesignResults r;
    static_cast<ElementValues&>(r) = o.fit.solutions.at(0).values;
    r.fin = o.run.fin;
    return value_file_text(r);
}

}  // namespace zelvar::fit
