// SPDX-License-Identifier: GPL-3.0-or-later
#include "coil/cross_section.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zelvar::coil {

namespace {

// Fixed distances of the drawing, in pixels.
constexpr long double kLane = 18;        // object to its dimension line
constexpr long double kSideLane = 20;    // object to a vertical dimension line
constexpr long double kText = 16;        // room for one line of text
constexpr long double kReach = 4;        // extension line past its dimension line
constexpr long double kClear = 3;        // object to the start of an extension line
constexpr long double kGap = 60;         // primary's edge to the extra coil's set
constexpr long double kGroundBelow = 40; // lowest object to the ground
constexpr long double kNoteLine = 15;    // line spacing of the notes under the ground
constexpr int kNotes = 4;
constexpr long double kHatchStep = 8;    // ground hatch spacing
constexpr long double kHatchSize = 6;
constexpr long double kAxisPast = 8;     // centre lines past their coils
constexpr long double kInsideRoom = 40;  // least winding radius for a length dimension inside
// At most this many rings of one coil are drawn (a hostile sheet cannot
// make the drawing endless).
constexpr long double kMaxRings = 10000;

bool usable(long double x) { return std::isfinite(x) && x > 0; }

// Rings of a winding of `turns` turns: the count of whole ones, and whether
// one more, partial, follows.
struct Rings {
    long double whole = 0;
    bool partial = false;
    long double count() const { return whole + (partial ? 1 : 0); }
};

Rings rings_of(long double turns) {
    Rings r;
    r.whole = std::min(std::floor(turns + 1E-6L), kMaxRings);
    r.partial = turns - r.whole > 1E-6L && r.whole < kMaxRings;
    return r;
}

std::string turns_text(long double n) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2Lf turns", n);
    return buffer;
}

const std::string kDiameter = "\u2300";

// One solenoid (secondary or extra coil) on the axis x = axis.
struct Solenoid {
    long double axis = 0, radius = 0, wire = 0, pitch = 0, length = 0;
    Rings rings;
    long double bottom() const { return std::min(-pitch / 2, -wire / 2); }
    long double top() const {
        return std::max(length - pitch / 2, (rings.count() - 1) * pitch + wire / 2);
    }
    long double half_width() const { return radius + wire / 2; }
};

void draw_solenoid(CrossSection& cs, const Solenoid& c, long double scale, bool& as_turns) {
    as_turns = c.pitch * scale >= kMinTurnPixels;
    if (as_turns) {
        for (long double i = 0; i < c.rings.count(); ++i) {
            const Ink ink = i < c.rings.whole ? Ink::conductor : Ink::tap;
            for (const long double side : {-1.0L, 1.0L})
                cs.circles.push_back({{c.axis + side * c.radius, i * c.pitch}, c.wire / 2, ink});
        }
        return;
    }
    const long double half = std::max(c.wire, kMinBandPixels / scale) / 2;
    const long double y0 = -c.pitch / 2, y1 = c.length - c.pitch / 2;
    for (const long double side : {-1.0L, 1.0L}) {
        const long double x0 = c.axis + side * c.radius - half, x1 = c.axis + side * c.radius + half;
        cs.rects.push_back({{x0, y0}, {x1, y1}, Ink::band});
        // Hatch at 45 degrees, one stroke every 4 pixels up the band.
        const long double step = 4 / scale, rise = x1 - x0;
        const long double strokes = std::min(std::floor((y1 - y0 - rise) / step), kMaxRings);
        for (long double k = 1; k <= strokes; ++k) {
            const long double y = y0 + k * step;
            cs.lines.push_back({{x0, y}, {x1, y + rise}, Ink::band});
        }
    }
}

void extension(CrossSection& cs, ModelPoint from, ModelPoint to) { cs.lines.push_back({from, to, Ink::extension}); }

}  // namespace

std::string mm_text(long double metres) {
    const long double v = metres * 1000;
    if (!std::isfinite(v)) return "? mm";
    const long double a = std::fabs(v);
    int decimals = 3;
    // (The nudge keeps 0.001 m, a hair below 1 mm in binary, at 1.000 mm.)
    if (a >= 1E-6L) decimals = std::clamp(3 - static_cast<int>(std::floor(std::log10(a) + 1E-12L)), 0, 6);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*Lf mm", decimals, a);
    // A value that rounds to zero has no sign.
    const bool negative = std::signbit(v) && std::string(buffer).find_first_not_of("0. m") != std::string::npos;
    return (negative ? "\u2212" : "") + std::string(buffer);
}

Transform fit_to_box(const ModelBox& content, long double width, long double height, const Margins& m) {
    Transform t;
    const long double room_w = width - m.left - m.right, room_h = height - m.top - m.bottom;
    const long double cw = content.x1 - content.x0, ch = content.y1 - content.y0;
    const bool room = std::isfinite(room_w) && std::isfinite(room_h) && room_w > 0 && room_h > 0;
    const bool sized = std::isfinite(cw) && std::isfinite(ch) && (cw > 0 || ch > 0);
    if (!room || !sized) {
        t.scale = 1;
        t.x_origin = width / 2 - (content.x0 + content.x1) / 2;
        t.y_origin = height / 2 + (content.y0 + content.y1) / 2;
        return t;
    }
    const long double sx = cw > 0 ? room_w / cw : room_h / ch;
    const long double sy = ch > 0 ? room_h / ch : sx;
    t.scale = std::min(sx, sy);
    // The content's centre on the room's centre.
    t.x_origin = m.left + room_w / 2 - t.scale * (content.x0 + content.x1) / 2;
    t.y_origin = m.top + room_h / 2 + t.scale * (content.y0 + content.y1) / 2;
    return t;
}

CrossSection cross_section(const WindingSheet& sheet, int width, int height) {
    CrossSection cs;
    cs.width = width;
    cs.height = height;
    const CoilFigures& s = sheet.secondary;
    const CoilFigures& e = sheet.extra;
    const PrimaryFigures& p = sheet.primary;
    const ToploadFigures& t = sheet.topload;
    const bool toroid = t.kind == TopKind::toroid;
    const bool spiral = p.shape == PrimaryShape::spiral;
    if (!(usable(s.diameter) && usable(s.wire) && usable(s.pitch) && usable(s.length) && usable(s.turns) &&
          usable(e.diameter) && usable(e.wire) && usable(e.pitch) && usable(e.length) && usable(e.turns) &&
          usable(p.diameter) && usable(p.wire) && usable(p.pitch) && usable(p.turns) && std::isfinite(p.offset) &&
          usable(t.outer_diameter) && (!toroid || (usable(t.tube_diameter) && t.tube_diameter < t.outer_diameter)) &&
          width > 0 && height > 0))
        return cs;

    Solenoid sec{0, s.diameter / 2, s.wire, s.pitch, s.length, rings_of(s.turns)};
    Solenoid ext{0, e.diameter / 2, e.wire, e.pitch, e.length, rings_of(e.turns)};
    const Rings pr = rings_of(p.turns);
    const long double pr_inner = p.diameter / 2;
    const long double pr_outer = spiral ? pr_inner + (pr.count() - 1) * p.pitch : pr_inner;
    const long double pr_top = spiral ? p.offset : p.offset + (pr.count() - 1) * p.pitch;
    const long double c = p.wire / 2;

    // The top terminal: its lowest point half a pitch above the winding's
    // top (the band's), at the winding's length.
    const long double t_low = e.length;
    const long double t_height = toroid ? t.tube_diameter : t.outer_diameter;

    // Extents of the two sets: secondary with primary, extra coil with its terminal.
    const long double half1 = std::max(sec.half_width(), pr_outer + c);
    const long double half2 = std::max(ext.half_width(), t.outer_diameter / 2);
    const long double y_low1 = std::min(sec.bottom(), p.offset - c);
    const long double y_high1 = std::max(sec.top(), pr_top + c);
    const long double y_low2 = ext.bottom();
    const long double y_high2 = std::max(ext.top(), t_low + t_height);
    const long double y_min = std::min(y_low1, y_low2), y_max = std::max(y_high1, y_high2);

    // The scale: the two sets side by side with kGap pixels between them.
    Margins m{20, 44, 36, kGroundBelow + kHatchSize + 8 + kNotes * kNoteLine};
    auto scale_for = [&](const Margins& mm) {
        const long double room_w = std::max<long double>(width - mm.left - mm.right - kGap, 1);
        const long double room_h = std::max<long double>(height - mm.top - mm.bottom, 1);
        return std::min(room_w / (2 * half1 + 2 * half2), room_h / (y_max - y_min));
    };
    long double scale = scale_for(m);
    // A secondary too narrow on the drawing for its length dimension inside
    // has it outside, on the left.
    const bool length_inside = sec.radius * scale >= kInsideRoom;
    if (!length_inside) {
        m.left = kSideLane + kText + 12;
        scale = scale_for(m);
    }
    const long double u = 1 / scale;  // one pixel in metres
    ext.axis = half1 + kGap * u + half2;
    cs.extra_axis = ext.axis;
    cs.transform = fit_to_box({-half1, y_min, ext.axis + half2, y_max}, width, height, m);
    // Height to spare goes above the drawing: the ground and its notes stay
    // at the foot of the sheet.
    const long double spare = height - m.top - m.bottom - cs.transform.scale * (y_max - y_min);
    if (spare > 0) cs.transform.y_origin += spare / 2;
    cs.ground_y = y_min - kGroundBelow * u;
    const long double gy = cs.ground_y;

    // Ground, hatched below.
    const long double gx0 = -half1 - 12 * u, gx1 = ext.axis + half2 + 12 * u;
    cs.lines.push_back({{gx0, gy}, {gx1, gy}, Ink::ground});
    const long double ticks = std::min(std::floor((gx1 - gx0 - kHatchSize * u) / (kHatchStep * u)), kMaxRings);
    for (long double k = 0; k <= ticks; ++k) {
        const long double x = gx0 + kHatchSize * u + k * kHatchStep * u;
        cs.lines.push_back({{x, gy}, {x - kHatchSize * u, gy - kHatchSize * u}, Ink::ground});
    }

    // Formers from the ground to the top of each winding (the extra coil's
    // up to its terminal).
    cs.rects.push_back({{-(sec.radius - sec.wire / 2), gy}, {sec.radius - sec.wire / 2, sec.top()}, Ink::former});
    cs.rects.push_back(
        {{ext.axis - (ext.radius - ext.wire / 2), gy}, {ext.axis + ext.radius - ext.wire / 2, t_low}, Ink::former});

    // Centre lines.
    cs.lines.push_back({{0, gy - kAxisPast * u}, {0, y_high1 + kAxisPast * u}, Ink::axis});
    cs.lines.push_back({{ext.axis, gy - kAxisPast * u}, {ext.axis, y_high2 + kAxisPast * u}, Ink::axis});

    // The windings.
    draw_solenoid(cs, sec, scale, cs.secondary_turns);
    draw_solenoid(cs, ext, scale, cs.extra_turns);
    for (long double i = 0; i < pr.count(); ++i) {
        const Ink ink = i < pr.whole ? Ink::conductor : Ink::tap;
        const long double r = spiral ? pr_inner + i * p.pitch : pr_inner;
        const long double y = spiral ? p.offset : p.offset + i * p.pitch;
        for (const long double side : {-1.0L, 1.0L}) cs.circles.push_back({{side * r, y}, c, ink});
    }

    // The top terminal.
    if (toroid) {
        const long double a = t.tube_diameter / 2, big_r = t.outer_diameter / 2 - a;
        for (const long double side : {-1.0L, 1.0L})
            cs.circles.push_back({{ext.axis + side * big_r, t_low + a}, a, Ink::terminal});
    } else {
        cs.circles.push_back({{ext.axis, t_low + t.outer_diameter / 2}, t.outer_diameter / 2, Ink::terminal});
    }

    // Secondary: diameter above, length with its turns.
    {
        const long double top = sec.top();
        const long double dy = top + kLane * u;
        for (const long double side : {-1.0L, 1.0L})
            extension(cs, {side * sec.radius, top + kClear * u}, {side * sec.radius, dy + kReach * u});
        cs.dimensions.push_back({{-sec.radius, dy}, {sec.radius, dy}, kDiameter + mm_text(s.diameter), TextSide::above});
        const std::string text = mm_text(s.length);
        const long double y0 = -sec.pitch / 2, y1 = s.length - sec.pitch / 2;
        if (length_inside) {
            const long double dx = -sec.radius / 2;
            for (const long double y : {y0, y1}) extension(cs, {-sec.radius + sec.wire / 2 + kClear * u, y}, {dx + kReach * u, y});
            cs.dimensions.push_back({{dx, y0}, {dx, y1}, text, TextSide::right});
        } else {
            const long double dx = -half1 - kSideLane * u;
            for (const long double y : {y0, y1}) extension(cs, {-sec.half_width() - kClear * u, y}, {dx - kReach * u, y});
            cs.dimensions.push_back({{dx, y0}, {dx, y1}, text, TextSide::left});
        }
    }

    // Primary: innermost diameter with turns and pitch below, offset on the right.
    {
        const long double dy = y_low1 - kLane * u;
        for (const long double side : {-1.0L, 1.0L})
            extension(cs, {side * pr_inner, p.offset - c - kClear * u}, {side * pr_inner, dy - kReach * u});
        cs.dimensions.push_back({{-pr_inner, dy}, {pr_inner, dy}, kDiameter + mm_text(p.diameter), TextSide::below});
        const long double dx = half1 + kSideLane * u;
        extension(cs, {sec.half_width() + kClear * u, 0}, {dx + kReach * u, 0});
        extension(cs, {pr_outer + c + kClear * u, p.offset}, {dx + kReach * u, p.offset});
        cs.dimensions.push_back({{dx, 0}, {dx, p.offset}, "offset " + mm_text(p.offset), TextSide::right});
    }

    // Extra coil: diameter below, length with its turns on the right.
    {
        const long double dy = y_low2 - kLane * u;
        for (const long double side : {-1.0L, 1.0L})
            extension(cs, {ext.axis + side * ext.radius, y_low2 - kClear * u}, {ext.axis + side * ext.radius, dy - kReach * u});
        cs.dimensions.push_back({{ext.axis - ext.radius, dy},
                                 {ext.axis + ext.radius, dy},
                                 kDiameter + mm_text(e.diameter),
                                 TextSide::below});
        const long double dx = ext.axis + ext.half_width() + kSideLane * u;
        const long double y0 = -ext.pitch / 2, y1 = e.length - ext.pitch / 2;
        for (const long double y : {y0, y1})
            extension(cs, {ext.axis + ext.half_width() + kClear * u, y}, {dx + kReach * u, y});
        cs.dimensions.push_back(
            {{dx, y0}, {dx, y1}, mm_text(e.length), TextSide::right});
    }

    // Top terminal: outer diameter (and tube) above.
    {
        const long double top = t_low + t_height;
        const long double dy = top + kLane * u;
        const long double half = t.outer_diameter / 2;
        const long double reach_from = toroid ? t_low + t.tube_diameter / 2 : t_low + half;
        for (const long double side : {-1.0L, 1.0L})
            extension(cs, {ext.axis + side * half, reach_from + kClear * u}, {ext.axis + side * half, dy + kReach * u});
        const std::string text = kDiameter + mm_text(t.outer_diameter);
        cs.dimensions.push_back({{ext.axis - half, dy}, {ext.axis + half, dy}, text, TextSide::above});
    }

    // The notes under the ground: turns and wires, the terminal.
    const std::string notes[kNotes] = {
        "Secondary: " + turns_text(s.turns) + " of " + kDiameter + mm_text(s.wire) + " wire, pitch " + mm_text(s.pitch),
        "Extra coil: " + turns_text(e.turns) + " of " + kDiameter + mm_text(e.wire) + " wire, pitch " +
            mm_text(e.pitch),
        std::string(spiral ? "Primary, flat spiral: " : "Primary, helix: ") + turns_text(p.turns) + " of " +
            kDiameter + mm_text(p.wire) + ", pitch " + mm_text(p.pitch),
        toroid ? "Top terminal, toroid: " + kDiameter + mm_text(t.outer_diameter) + ", tube " + kDiameter +
                     mm_text(t.tube_diameter)
               : "Top terminal, sphere: " + kDiameter + mm_text(t.outer_diameter),
    };
    for (int i = 0; i < kNotes; ++i)
        cs.texts.push_back({{gx0, gy - (kHatchSize + 8 + (i + 0.5L) * kNoteLine) * u}, notes[i], TextSide::right, false});
    return cs;
}

}  // namespace zelvar::coil
