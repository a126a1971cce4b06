// SPDX-License-Identifier: GPL-3.0-or-later
#include "coil/windings_report.h"

#include <cstdio>

#include "report/format.h"

namespace zelvar::coil {

namespace {

std::string fx(long double x, int decimals) { return F(x, 0, decimals); }
std::string mm(long double metres) { return fx(metres * 1e3L, 3) + " mm"; }
std::string pf(long double farads) { return fx(farads * 1e12L, 4) + " pF"; }
std::string uh(long double henries) { return fx(henries * 1e6L, 6) + " \xB5H"; }
std::string ohm(long double r) { return fx(r, 6) + " ohm"; }

std::string wire_line(const CoilFigures& c) {
    return "  wire " + fx(c.wire_length, 3) + " m, " + fx(c.copper_mass * 1e3L, 1) + " g of copper, Rdc " + ohm(c.r_dc) +
           ", Rac " + ohm(c.r_ac) + ", Q " + fx(c.q, 1);
}

std::string solenoid_line(const std::string& name, const CoilFigures& c) {
    return name + ": " + fx(c.turns, 4) + " turns, diameter " + mm(c.diameter) + ", wire " + mm(c.wire) + ", pitch " +
           mm(c.pitch) + ", length " + mm(c.length);
}

const char* shape_name(PrimaryShape s) { return s == PrimaryShape::helix ? "helix" : "spiral"; }
const char* kind_name(TopKind k) { return k == TopKind::sphere ? "sphere" : "toroid"; }

// A JSON object's members, one per line.
class JsonObject {
public:
    explicit JsonObject(int indent) : indent_(indent) {}
    JsonObject& real(const char* key, long double x) { return raw(key, json_real(x)); }
    JsonObject& text(const char* key, const std::string& s) { return raw(key, "\"" + s + "\""); }
    JsonObject& raw(const char* key, const std::string& value) {
        members_.push_back(std::string(static_cast<std::size_t>(indent_ + 2), ' ') + "\"" + key + "\": " + value);
        return *this;
    }
    std::string str() const {
        std::string s = "{\n";
        for (std::size_t i = 0; i < members_.size(); ++i) s += members_[i] + (i + 1 < members_.size() ? ",\n" : "\n");
        return s + std::string(static_cast<std::size_t>(indent_), ' ') + "}";
    }

private:
    int indent_;
    std::vector<std::string> members_;
};

void coil_members(JsonObject& o, const CoilFigures& c) {
    o.real("turns", c.turns)
        .real("diameter", c.diameter)
        .real("pitch", c.pitch)
        .real("wire", c.wire)
        .real("length", c.length)
        .real("inductance", c.inductance)
        .real("self_capacitance", c.self_capacitance)
        .real("wire_length", c.wire_length)
        .real("copper_mass", c.copper_mass)
        .real("r_dc", c.r_dc)
        .real("r_ac", c.r_ac)
        .real("q", c.q);
}

}  // namespace

std::string json_real(long double x) {
    char text[64];
    std::snprintf(text, sizeof text, "%.21Lg", x);
    std::string s = text;
    for (char& ch : s)
        if (ch == ',') ch = '.';  // a locale's decimal comma
    return s;
}

std::vector<std::string> winding_sheet_lines(const WindingSheet& s) {
    std::vector<std::string> lines;
    lines.push_back("Winding sheet at fin = " + fx(s.targets.fin, 3) + " Hz");
    lines.push_back(solenoid_line("Secondary", s.secondary));
    lines.push_back("  L2 = " + uh(s.secondary.inductance) + ", own capacitance " + pf(s.secondary.self_capacitance) +
                    ", capacitor to add across it " + pf(s.c2_external));
    lines.push_back(wire_line(s.secondary));
    lines.push_back(solenoid_line("Extra coil", s.extra));
    lines.push_back("  L3 = " + uh(s.extra.inductance) + ", own capacitance " + pf(s.extra.self_capacitance) +
                    ", top terminal " + pf(s.c3_topload));
    lines.push_back(wire_line(s.extra));
    if (s.topload.kind == TopKind::sphere)
        lines.push_back("Top terminal: sphere, diameter " + mm(s.topload.outer_diameter) + ", " +
                        pf(s.topload.capacitance));
    else
        lines.push_back("Top terminal: toroid, outer diameter " + mm(s.topload.outer_diameter) + ", tube " +
                        mm(s.topload.tube_diameter) + ", " + pf(s.topload.capacitance));
    const PrimaryFigures& p = s.primary;
    lines.push_back("Primary: " + std::string(shape_name(p.shape)) + ", " + fx(p.turns, 4) + " turns, inner diameter " +
                    mm(p.diameter) + ", conductor " + mm(p.wire) + ", pitch " + mm(p.pitch) +
                    (p.shape == PrimaryShape::helix ? ", length " : ", radial width ") + mm(p.length) +
                    ", offset " + mm(p.offset));
    lines.push_back("  L1 = " + uh(p.inductance));
    lines.push_back(wire_line(p));
    lines.push_back("Coupling: k12 = " + fx(s.k12, 9) + ", M = " + uh(s.mutual));
    lines.push_back("Losses at fin: R1 = " + ohm(s.R1) + ", R2 = " + ohm(s.R2) + ", R3 = " + ohm(s.R3));
    return lines;
}

std::vector<std::string> coil_analysis_lines(const CoilFigures& c, long double f) {
    std::vector<std::string> lines;
    lines.push_back(solenoid_line("Coil", c));
    lines.push_back("  L = " + uh(c.inductance) + ", own capacitance " + pf(c.self_capacitance) +
                    ", self-resonance " + fx(self_resonance(c), 3) + " Hz");
    lines.push_back(wire_line(c) + " at " + fx(f, 3) + " Hz");
    return lines;
}

std::string winding_sheet_json(const WindingSheet& s) {
    JsonObject secondary(2), extra(2), primary(2), coupling(2), topload(2), losses(2), root(0);
    coil_members(secondary, s.secondary);
    coil_members(extra, s.extra);
    coil_members(primary, s.primary);
    primary.text("shape", shape_name(s.primary.shape)).real("offset", s.primary.offset);
    coupling.real("k12", s.k12).real("mutual", s.mutual);
    topload.text("kind", kind_name(s.topload.kind))
        .real("outer_diameter", s.topload.outer_diameter)
        .real("tube_diameter", s.topload.tube_diameter)
        .real("capacitance", s.topload.capacitance);
    losses.real("R1", s.R1).real("R2", s.R2).real("R3", s.R3);
    root.real("frequency", s.targets.fin)
        .raw("secondary", secondary.str())
        .raw("extra", extra.str())
        .raw("primary", primary.str())
        .raw("coupling", coupling.str())
        .real("c2_external", s.c2_external)
        .real("c3_topload", s.c3_topload)
        .raw("topload", topload.str())
        .raw("losses", losses.str());
    return root.str() + "\n";
}

std::string coil_json(const CoilFigures& c, long double f) {
    JsonObject o(0);
    coil_members(o, c);
    o.real("frequency", f).real("resonance", self_resonance(c));
    return o.str() + "\n";
}

}  // namespace zelvar::coil
