// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/netlist.h"

#include <charconv>
#include <cmath>

#include "app/faults.h"
#include "sim/circuit_model.h"
#include "sim/sim_result.h"

namespace zelvar {

std::string spice_number(long double x) {
    if (!std::isfinite(x)) throw Error(kInvalidOperation);
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, res.ptr);
}

namespace {

// A factor inside an expression: negative numbers in parentheses.
std::string factor(long double x) {
    const std::string s = spice_number(x);
    return s[0] == '-' ? "(" + s + ")" : s;
}

const char* stop_mode_name(int mode) {
    switch (mode) {
        case kOpenDriver:
            return "open (Ropen)";
        case kShortDriver:
            return "short-circuited";
        default:
            return "open with free-wheeling diodes";
    }
}

struct Deck {
    void line(const std::string& line) { text += line + "\n"; }
    void comment(const std::string& line) { this->line("* " + line); }
    // The note goes into the deck and into the warnings.
    void warn(const std::string& note) {
        comment("Not exact: " + note);
        warnings.push_back(note);
    }
    std::string text;
    std::vector<std::string> warnings;
};

// A series resistance is written only when it is not 0 (ngspice would turn a
// zero resistor into 1 milliohm); its inductor then ends on the resistor's
// far node.
bool present(long double r) { return r != 0; }

void write_driver(Deck& d, const SimParams& p, long double h, const NetlistOptions& o) {
    if (o.ac_source) {
        d.comment("Driver: small-signal source of 1 V");
        d.line("Vsrc vin 0 DC 0 AC 1");
        return;
    }
    std::string wave;
    if (p.square) {
        // +Vin for the first half period, then -Vin; the run sees each edge
        // as a ramp over one of its steps, centred here on the edge.
        const long double period = 1 / p.fin;
        const long double half = period / 2;
        fp_check();
        wave = "PULSE(" + spice_number(p.Vin) + " " + spice_number(-p.Vin) + " " + spice_number(half - h / 2) +
               " " + spice_number(h) + " " + spice_number(h) + " " + spice_number(half - h) + " " +
               spice_number(period) + ")";
    } else {
        wave = "SIN(0 " + spice_number(p.Vin) + " " + spice_number(p.fin) + ")";
    }
    const char* wave_name = p.square ? "square wave" : "sine";
    const auto square_note = [&] {
        if (p.square)
            d.comment("Square wave: +Vin for the first half period; each edge takes one step of the run, centred "
                      "on the edge (the run ramps from the step before the edge to the step after it)");
    };

    // A step of the run can end at Max time plus rounding: a stop or a
    // feedback start before tmax + h can act.
    const long double reach = p.tmax + h;
    const bool stops = p.tstop < reach;
    const bool feeds = p.feedback && p.tstart < reach && p.tstart < p.tstop;
    if (!stops && !feeds) {
        d.comment(std::string("Driver: the ") + wave_name + ", running to the end of the run");
        square_note();
        d.line("Vsrc vin 0 " + wave);
        return;
    }

    std::string running = "v(wave)";
    if (feeds) {
        d.comment(std::string("Driver: the ") + wave_name + ", then from t > " + spice_number(p.tstart) +
                  " s +-Vin by the sign of the primary current");
        d.warn("the feedback switches on the sign of the present primary current, the program's on that of "
               "the previous step");
        running = "(time > " + spice_number(p.tstart) + " ? (i(L1) > 0 ? " + factor(p.Vin) + " : " +
                  factor(-p.Vin) + ") : v(wave))";
    } else {
        d.comment(std::string("Driver: the ") + wave_name);
    }
    std::string stopped = running;
    if (stops) {
        d.comment(std::string("From t = ") + spice_number(p.tstop) + " s on, the driver is stopped: " +
                  stop_mode_name(p.stop_mode) + " (the run switches at the end of the step that reaches it)");
        const std::string v = factor(-p.Ropen) + "*i(L1)";
        switch (p.stop_mode) {
            case kOpenDriver:
                stopped = v;
                break;
            case kShortDriver:
                stopped = "0";
                break;
            default: {
                // Appended piece by piece: g++ 12 warns (-Wrestrict, wrongly)
                // on a long chain of std::string additions.
                const std::string high = factor(p.Vin), low = factor(-p.Vin);
                stopped = "(";
                stopped.append(high).append(" < ").append(v).append(" ? ").append(high);
                stopped.append(" : (").append(v).append(" < ").append(low).append(" ? ").append(low);
                stopped.append(" : ").append(v).append("))");
                break;
            }
        }
        if (p.stop_mode != kShortDriver)
            d.warn("the stopped driver acts on the present primary current, the program's on that of the "
                   "previous step");
    }
    square_note();
    d.line("Vwave wave 0 " + wave);
    if (stops)
        d.line("Bdrv vin 0 V = time < " + spice_number(p.tstop) + " ? " + running + " : " + stopped);
    else
        d.line("Bdrv vin 0 V = " + running);
}

}  // namespace

Netlist make_netlist(const SimParams& p, const NetlistOptions& o) {
    const FpEnvironment fp_environment;
    Netlist result;
    long double h = 0;
    if (!o.ac_source) {
        // The run's own checks, in its order.
        const std::int32_t total_steps = imul(p.points, p.steps);
        const long double steps_per_period = static_cast<long double>(total_steps) / (p.tmax * p.fin);
        fp_check();
        if (steps_per_period < 50) {
            result.stop_line = "Too few points (increase points or internal steps or decrease max time).";
            return result;
        }
        if (p.points > kMaxPoints) {
            result.stop_line = "Too many points.";
            return result;
        }
        h = p.tmax / imul(isub(p.points, 1), p.steps);
        fp_check();
    }
    build_model(p);  // the run's faults for the element values

    Deck d;
    d.line("ZELVAR Designer: circuit of a simulation run");
    d.comment("Units F, H, ohm, V, s, Hz.  Nodes: vin (driver), v1, v2, v3 (C1, C2, C3), vl (C load);");
    d.comment("i(L1), i(L2), i(L3) are the currents i1, i2, i3.");
    write_driver(d, p, h, o);

    const std::string l1_end = present(p.R1) ? "l1r1" : "v1";
    d.comment("Primary loop: driver, L1, R1, C1");
    d.line("L1 vin " + l1_end + " " + spice_number(p.L1));
    if (present(p.R1)) d.line("R1 l1r1 v1 " + spice_number(p.R1));
    d.line("C1 v1 0 " + spice_number(p.C1) + " IC=" + spice_number(p.VC10));

    const std::string l2_start = present(p.R2) ? "r2l2" : "v2";
    d.comment("Secondary: C2 across R2 and L2; L2 coupled to L1 by k12");
    d.line("C2 v2 0 " + spice_number(p.C2));
    if (present(p.R2)) d.line("R2 v2 r2l2 " + spice_number(p.R2));
    d.line("L2 " + l2_start + " 0 " + spice_number(p.L2));
    if (p.k12 != 0)
        d.line("K12 L1 L2 " + spice_number(p.k12));
    else
        d.comment("k12 = 0: L1 and L2 uncoupled");

    const std::string l3_end = present(p.R3) ? "l3r3" : "v2";
    d.comment("Output: L3 and R3 from C3 to C2; the load RL, CL across C3");
    d.line("L3 v3 " + l3_end + " " + spice_number(p.L3));
    if (present(p.R3)) d.line("R3 l3r3 v2 " + spice_number(p.R3));
    d.line("C3 v3 0 " + spice_number(p.C3));
    d.line("RL v3 vl " + spice_number(p.RL));
    d.line("CL vl 0 " + spice_number(p.CL));

    if (o.analysis) {
        if (!o.analysis->empty()) {
            d.text += *o.analysis;
            if (d.text.back() != '\n') d.text += '\n';
        }
    } else if (!o.ac_source) {
        const long double sample_step = h * p.steps;
        fp_check();
        d.comment("The run: " + std::to_string(p.points) + " samples, " + std::to_string(p.steps) +
                  " trapezoidal steps of " + spice_number(h) + " s between two");
        d.line(".options method=trap");
        d.line(".tran " + spice_number(sample_step) + " " + spice_number(p.tmax) + " 0 " + spice_number(h) +
               " uic");
        d.line(".print tran v(vin) v(v1) v(v2) v(v3) v(vl) i(L1) i(L2) i(L3)");
    }
    if (o.end_line) d.line(".end");
    result.deck = std::move(d.text);
    result.warnings = std::move(d.warnings);
    return result;
}

}  // namespace zelvar
