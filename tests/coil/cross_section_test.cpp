// SPDX-License-Identifier: GPL-3.0-or-later
// The cross-section of a coil set: every drawn dimension is the sheet's
// figure in model units, the fit is uniform and keeps everything inside the
// box, and the sheet's text writes the figures as a builder reads them.
#include "coil/cross_section.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "coil/sheet_text.h"

namespace zelvar::coil {
namespace {

// A coil set of the size the default design asks for, filled by hand.
WindingSheet hand_sheet() {
    WindingSheet s;
    s.secondary.turns = 1200.4L;
    s.secondary.diameter = 0.11L;
    s.secondary.wire = 0.0003L;
    s.secondary.pitch = 0.00033L;
    s.secondary.length = s.secondary.turns * s.secondary.pitch;
    s.extra.turns = 2000.25L;
    s.extra.diameter = 0.08L;
    s.extra.wire = 0.0002L;
    s.extra.pitch = 0.00022L;
    s.extra.length = s.extra.turns * s.extra.pitch;
    s.primary.shape = PrimaryShape::spiral;
    s.primary.turns = 7.4L;
    s.primary.diameter = 0.16L;
    s.primary.wire = 0.006L;
    s.primary.pitch = 0.01L;
    s.primary.offset = -0.012L;
    s.topload.kind = TopKind::toroid;
    s.topload.outer_diameter = 0.2L;
    s.topload.tube_diameter = 0.05L;
    return s;
}

const Dimension& dimension_starting(const CrossSection& cs, const std::string& start) {
    for (const Dimension& d : cs.dimensions)
        if (d.text.rfind(start, 0) == 0) return d;
    ADD_FAILURE() << "no dimension starting " << start;
    return cs.dimensions.at(0);
}

long double span(const Dimension& d) { return std::hypot(d.b.x - d.a.x, d.b.y - d.a.y); }

std::vector<DrawCircle> circles(const CrossSection& cs, Ink ink) {
    std::vector<DrawCircle> out;
    for (const DrawCircle& c : cs.circles)
        if (c.ink == ink) out.push_back(c);
    return out;
}

constexpr long double kRel = 1E-15L;

TEST(CrossSection, DimensionsAreTheSheetsFiguresInModelUnits) {
    const WindingSheet s = hand_sheet();
    const CrossSection cs = cross_section(s, 460, 596);
    ASSERT_FALSE(cs.secondary_turns);  // 0.33 mm of pitch is far below a pixel here
    ASSERT_FALSE(cs.extra_turns);

    // The bands: as high as the windings' lengths, from half a pitch below
    // the lowest turn, centred on the winding diameters.
    std::vector<DrawRect> bands;
    for (const DrawRect& r : cs.rects)
        if (r.ink == Ink::band) bands.push_back(r);
    ASSERT_EQ(bands.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        const CoilFigures& c = i < 2 ? s.secondary : s.extra;
        const long double axis = i < 2 ? 0 : cs.extra_axis;
        EXPECT_NEAR(bands[i].high.y - bands[i].low.y, c.length, kRel * c.length) << i;
        EXPECT_NEAR(bands[i].low.y, -c.pitch / 2, kRel) << i;
        EXPECT_NEAR(std::fabs((bands[i].low.x + bands[i].high.x) / 2 - axis), c.diameter / 2, kRel) << i;
    }
    EXPECT_GT(cs.extra_axis - s.extra.diameter / 2, s.primary.diameter / 2 + 6 * s.primary.pitch);

    EXPECT_NEAR(span(dimension_starting(cs, "\u2300110.0 mm")), s.secondary.diameter, kRel);
    EXPECT_NEAR(span(dimension_starting(cs, "\u2300160.0 mm")), s.primary.diameter, kRel);
    ASSERT_EQ(cs.texts.size(), 4u);
    EXPECT_EQ(cs.texts[0].text, "Secondary: 1200.40 turns of \u23000.3000 mm wire, pitch 0.3300 mm");
    EXPECT_EQ(cs.texts[2].text, "Primary, flat spiral: 7.40 turns of \u23006.000 mm, pitch 10.00 mm");
    EXPECT_EQ(cs.texts[3].text, "Top terminal, toroid: \u2300200.0 mm, tube \u230050.00 mm");
    for (const DrawText& t : cs.texts) EXPECT_LT(t.at.y, cs.ground_y);
    EXPECT_NEAR(span(dimension_starting(cs, "\u230080.00 mm")), s.extra.diameter, kRel);
    EXPECT_NEAR(span(dimension_starting(cs, "396.1 mm")), s.secondary.length, kRel);
    EXPECT_NEAR(span(dimension_starting(cs, "440.1 mm")), s.extra.length, kRel);
    const Dimension& offset = dimension_starting(cs, "offset \u221212.00 mm");
    EXPECT_EQ(offset.a.y, 0);
    EXPECT_EQ(offset.b.y, s.primary.offset);
    EXPECT_EQ(offset.a.x, offset.b.x);
    EXPECT_NEAR(span(dimension_starting(cs, "\u2300200.0 mm")), s.topload.outer_diameter, kRel);

    // The toroid: two tube sections whose outer edges are the outer diameter
    // apart, their lowest point half a pitch above the extra coil's winding.
    const std::vector<DrawCircle> tube = circles(cs, Ink::terminal);
    ASSERT_EQ(tube.size(), 2u);
    EXPECT_NEAR(tube[0].radius, s.topload.tube_diameter / 2, kRel);
    EXPECT_NEAR(tube[1].centre.x - tube[0].centre.x + 2 * tube[0].radius, s.topload.outer_diameter, kRel);
    EXPECT_NEAR((tube[0].centre.x + tube[1].centre.x) / 2, cs.extra_axis, kRel);
    EXPECT_NEAR(tube[0].centre.y - tube[0].radius, s.extra.length, 1E-12L);

    // The spiral primary: 7 whole turns and the tapped eighth on each side,
    // at the offset, the radius growing by the pitch from the innermost.
    const std::vector<DrawCircle> whole = circles(cs, Ink::conductor), tap = circles(cs, Ink::tap);
    ASSERT_EQ(whole.size(), 14u);
    ASSERT_EQ(tap.size(), 2u);
    for (std::size_t i = 0; i < whole.size(); ++i) {
        EXPECT_EQ(whole[i].centre.y, s.primary.offset);
        EXPECT_NEAR(whole[i].radius, s.primary.wire / 2, kRel);
        EXPECT_NEAR(std::fabs(whole[i].centre.x), s.primary.diameter / 2 + (i / 2) * s.primary.pitch, kRel) << i;
    }
    EXPECT_NEAR(std::fabs(tap[0].centre.x), s.primary.diameter / 2 + 7 * s.primary.pitch, kRel);
    EXPECT_LT(cs.ground_y, s.primary.offset - s.primary.wire / 2);
}

TEST(CrossSection, FewTurnsAreDrawnAsTurnsAndAHelixRisesByItsPitch) {
    WindingSheet s = hand_sheet();
    s.secondary.turns = 40;
    s.secondary.pitch = 0.004L;
    s.secondary.wire = 0.003L;
    s.secondary.length = 40 * s.secondary.pitch;
    s.primary.shape = PrimaryShape::helix;
    s.primary.turns = 5;
    s.primary.offset = 0.02L;
    const CrossSection cs = cross_section(s, 800, 800);
    ASSERT_TRUE(cs.secondary_turns);
    std::size_t secondary = 0, primary = 0;
    for (const DrawCircle& c : circles(cs, Ink::conductor)) {
        if (std::fabs(std::fabs(c.centre.x) - s.secondary.diameter / 2) < 1E-12L) {
            const long double turn = c.centre.y / s.secondary.pitch;
            EXPECT_NEAR(turn, std::round(turn), 1E-12L);
            EXPECT_NEAR(c.radius, s.secondary.wire / 2, kRel);
            ++secondary;
        } else if (std::fabs(std::fabs(c.centre.x) - s.primary.diameter / 2) < 1E-12L) {
            const long double turn = (c.centre.y - s.primary.offset) / s.primary.pitch;
            EXPECT_NEAR(turn, std::round(turn), 1E-12L);
            EXPECT_LT(turn, 4.5L);
            ++primary;
        }
    }
    EXPECT_EQ(secondary, 80u);
    EXPECT_EQ(primary, 10u);
    EXPECT_TRUE(circles(cs, Ink::tap).empty());
}

TEST(CrossSection, FitIsUniformAndKeepsEverythingInsideTheBox) {
    struct Case {
        long double w, h;
        ModelBox box;
        long double scale, x_origin, y_origin;
    };
    const Case cases[] = {
        {400, 300, {0, 0, 2, 1}, 190, 10, 290 - 140 + 95},  // width-limited, centred in height
        {400, 300, {-1, -1, 1, 1}, 140, 200, 150},           // height-limited, centred in width
    };
    for (const Case& c : cases) {
        const Transform t = fit_to_box(c.box, c.w, c.h, {10, 10, 10, 10});
        EXPECT_NEAR(t.scale, c.scale, 1E-15L * c.scale);
        EXPECT_NEAR(t.x_origin, c.x_origin, 1E-12L);
        EXPECT_NEAR(t.y_origin, c.y_origin, 1E-12L);
        // One metre is as many pixels across as up.
        EXPECT_EQ(t.px(1) - t.px(0), t.py(0) - t.py(1));
    }

    // Every primitive of the drawing lies inside its box, at any shape of box.
    for (const auto& [w, h] : {std::pair{460, 596}, std::pair{1200, 300}, std::pair{200, 900}}) {
        const CrossSection cs = cross_section(hand_sheet(), w, h);
        const Transform& t = cs.transform;
        auto inside = [&](ModelPoint m, long double pad) {
            EXPECT_GE(t.px(m.x) - pad, 0) << w << "x" << h;
            EXPECT_LE(t.px(m.x) + pad, w) << w << "x" << h;
            EXPECT_GE(t.py(m.y) - pad, 0) << w << "x" << h;
            EXPECT_LE(t.py(m.y) + pad, h) << w << "x" << h;
        };
        for (const DrawLine& l : cs.lines) inside(l.a, 0), inside(l.b, 0);
        for (const DrawRect& r : cs.rects) inside(r.low, 0), inside(r.high, 0);
        for (const DrawCircle& c : cs.circles) inside(c.centre, c.radius * t.scale);
        for (const Dimension& d : cs.dimensions) inside(d.a, 14), inside(d.b, 14);
        for (const DrawText& d : cs.texts) inside(d.at, 7);
    }
}

TEST(CrossSection, AnUnusableSheetDrawsNothing) {
    WindingSheet s = hand_sheet();
    s.secondary.length = std::nanl("");
    const CrossSection cs = cross_section(s, 460, 596);
    EXPECT_TRUE(cs.lines.empty() && cs.circles.empty() && cs.rects.empty() && cs.dimensions.empty());
    EXPECT_TRUE(cross_section(WindingSheet{}, 460, 596).circles.empty());
}

TEST(SheetText, FiguresWithTheirUnits) {
    const struct {
        long double x;
        const char* unit;
        const char* text;
    } cases[] = {
        {6.545454545E-3L, "H", "6.54545 mH"},  {4.1108058608E-11L, "F", "41.1081 pF"},
        {319495.40197L, "Hz", "319.495 kHz"},  {0.2999364L, "", "0.299936"},
        {999.9996L, "\u03a9", "1.00000 k\u03a9"}, {-2.5E-6L, "H", "\u22122.50000 \u00b5H"},
        {0, "F", "0.00000 F"},
    };
    for (const auto& c : cases) EXPECT_EQ(si_text(c.x, c.unit), c.text);
    EXPECT_EQ(mm_text(0.11L), "110.0 mm");
    EXPECT_EQ(mm_text(0.00033L), "0.3300 mm");
    EXPECT_EQ(mm_text(0.001L), "1.000 mm");
    EXPECT_EQ(si_text(1E-3L, "H"), "1.00000 mH");
    EXPECT_EQ(mm_text(-0.012L), "\u221212.00 mm");
    EXPECT_EQ(mm_text(-1E-12L), "0.000 mm");

    WindingSheet s = hand_sheet();
    s.R1 = 0.0523L;
    s.targets.fin = 319495.40197L;
    const std::string text = winding_sheet_text(s);
    EXPECT_NE(text.find("Winding sheet at fin = 319.495 kHz\n"), std::string::npos);
    EXPECT_NE(text.find("  turns N2              1200.40\n"), std::string::npos);
    EXPECT_NE(text.find("  offset                \u221212.000 mm\n"), std::string::npos);
    EXPECT_NE(text.find("  R1                    52.3000 m\u03a9\n"), std::string::npos);
}

}  // namespace
}  // namespace zelvar::coil
