// SPDX-License-Identifier: GPL-3.0-or-later
#include "coil/sheet_text.h"

#include <cmath>
#include <cstdio>

namespace zelvar::coil {

namespace {

std::string fixed(long double x, int decimals) {
    if (!std::isfinite(x)) return "?";
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%.*Lf", decimals, std::fabs(x));
    const std::string digits = buffer;
    const bool zero = digits.find_first_not_of("0.") == std::string::npos;
    return (std::signbit(x) && !zero ? "\u2212" : "") + digits;
}

std::string mm(long double metres) { return fixed(metres * 1000, 3) + " mm"; }

struct Lines {
    std::string text;
    void heading(const std::string& h) { text += h + "\n"; }
    void item(const std::string& label, const std::string& value) {
        std::string line = "  " + label;
        // Pad to the value column, counting characters (not UTF-8 bytes).
        std::size_t chars = 0;
        for (const char ch : line) chars += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
        if (chars < 24) line.append(24 - chars, ' ');
        text += line + value + "\n";
    }
};

void wire_figures(Lines& out, const CoilFigures& c, const char* l_name) {
    out.item(std::string("inductance ") + l_name, si_text(c.inductance, "H"));
    out.item("wire length", fixed(c.wire_length, 2) + " m");
    out.item("copper mass", fixed(c.copper_mass * 1000, 1) + " g");
    out.item("DC resistance", si_text(c.r_dc, "\u03a9"));
    out.item("AC resistance", si_text(c.r_ac, "\u03a9"));
    out.item("Q", si_text(c.q, ""));
}

void solenoid(Lines& out, const CoilFigures& c, const char* n_name, const char* l_name) {
    out.item(std::string("turns ") + n_name, fixed(c.turns, 2));
    out.item("diameter", mm(c.diameter));
    out.item("wire", mm(c.wire));
    out.item("pitch", mm(c.pitch));
    out.item("length", mm(c.length));
    wire_figures(out, c, l_name);
    out.item("own capacitance", si_text(c.self_capacitance, "F"));
}

}  // namespace

std::string si_text(long double x, const std::string& unit) {
    if (!std::isfinite(x)) return "? " + unit;
    static const char* const prefixes[] = {"p", "n", "\u00b5", "m", "", "k", "M", "G"};
    int power = 0;  // of 1000, from -4 (p) to 3 (G)
    const long double a = std::fabs(x);
    if (a != 0) {
        power = static_cast<int>(std::floor((std::log10(a) + 1E-12L) / 3));
        if (power < -4) power = -4;
        if (power > 3) power = 3;
    }
    if (unit.empty()) power = 0;
    long double m = x / std::pow(10.0L, 3 * power);
    int decimals = 5;
    if (m != 0) decimals = 5 - static_cast<int>(std::floor(std::log10(std::fabs(m)) + 1E-12L));
    if (decimals < 0) decimals = 0;
    if (decimals > 12) decimals = 12;
    // 999.9996 rounds up into the next prefix.
    char probe[96];
    std::snprintf(probe, sizeof probe, "%.*Lf", decimals, std::fabs(m));
    if (!unit.empty() && power < 3 && std::string(probe).rfind("1000", 0) == 0) {
        ++power;
        m /= 1000;
        decimals = 5;
    }
    std::string text = fixed(m, decimals);
    if (!unit.empty()) {
        text += ' ';
        text += prefixes[power + 4];
        text += unit;
    }
    return text;
}

std::string winding_sheet_text(const WindingSheet& s) {
    Lines out;
    out.heading("Winding sheet at fin = " + si_text(s.targets.fin, "Hz"));
    out.heading("");
    out.heading("Secondary");
    solenoid(out, s.secondary, "N2", "L2");
    out.item("capacitor across it", si_text(s.c2_external, "F"));
    out.heading("");
    out.heading("Extra coil");
    solenoid(out, s.extra, "N3", "L3");
    out.heading("");
    out.heading(s.primary.shape == PrimaryShape::spiral ? "Primary, flat spiral" : "Primary, helix");
    out.item("turns N1 (tap)", fixed(s.primary.turns, 3));
    out.item("innermost diameter", mm(s.primary.diameter));
    out.item("conductor", mm(s.primary.wire));
    out.item("pitch", mm(s.primary.pitch));
    out.item(s.primary.shape == PrimaryShape::spiral ? "radial width" : "length", mm(s.primary.length));
    out.item("offset", mm(s.primary.offset));
    wire_figures(out, s.primary, "L1");
    out.heading("");
    out.heading("Coupling");
    out.item("k12", fixed(s.k12, 6));
    out.item("mutual inductance", si_text(s.mutual, "H"));
    out.heading("");
    out.heading(s.topload.kind == TopKind::toroid ? "Top terminal, toroid" : "Top terminal, sphere");
    out.item(s.topload.kind == TopKind::toroid ? "outer diameter" : "diameter", mm(s.topload.outer_diameter));
    if (s.topload.kind == TopKind::toroid) out.item("tube diameter", mm(s.topload.tube_diameter));
    out.item("capacitance", si_text(s.topload.capacitance, "F"));
    out.item("C3 \u2212 Cself3", si_text(s.c3_topload, "F"));
    out.heading("");
    out.heading("Losses at fin");
    out.item("R1", si_text(s.R1, "\u03a9"));
    out.item("R2", si_text(s.R2, "\u03a9"));
    out.item("R3", si_text(s.R3, "\u03a9"));
    return out.text;
}

}  // namespace zelvar::coil
