// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The coil set of a winding sheet as a to-scale cross-section through the
// axes, as plain primitives for any renderer: lines, circles, rectangles,
// dimensions and texts at model points (metres), and the uniform transform
// that fits the model into a box of pixels.
//
// The drawing follows the winding sheet's geometry convention (see
// coil/windings.h): the secondary's axis is x = 0 and its lowest turn is at
// y = 0; turn i of a coil lies i × pitch above its lowest; every diameter is
// to the conductor centres.
//  - The primary's turns are conductor circles of its conductor diameter,
//    on both sides of the axis: a spiral at the height `offset` with the
//    radius growing by the pitch, a helix at the innermost radius rising by
//    the pitch.  Its turns are counted up to the next whole one: the turn
//    past a fractional count (the tap) is drawn as an outline only.
//  - The secondary is drawn as its turns (conductor circles of the wire's
//    diameter) where neighbouring turns are at least kMinTurnPixels apart,
//    otherwise as a hatched winding band on each side, as high as the
//    winding's length N × pitch (from half a pitch below the lowest turn's
//    centre) and as wide as the wire, or kMinBandPixels where the wire is
//    thinner on the drawing.
//  - The extra coil stands beside the primary on the same ground, its lowest
//    turn at y = 0 too, drawn the same way; the top terminal sits on its
//    top: a toroid as its tube's two cross-sections, its lowest point half a
//    pitch above the top of the extra coil's winding, or a sphere resting
//    there.
//  - Coil formers are outlines from the ground to the top of each winding;
//    the ground is a hatched line below everything; each coil has its axis.
//  - Dimensions: the secondary's and the extra coil's diameters and
//    lengths, the primary's innermost diameter and its offset from the
//    secondary's lowest turn, the top terminal's outer diameter; under the
//    ground, one note a line: each coil's turns, wire and pitch, the top
//    terminal's kind and size.
// The model is fitted to the box by fit_to_box, then moved down by any
// height to spare, so that the ground and the notes are at the box's foot.
// Distances that are not part of the model (the lanes of the dimensions,
// the gap between the two coils, the ground's clearance) are fixed numbers
// of pixels, so that the texts fit at every size.
#include <string>
#include <vector>

#include "coil/windings.h"

namespace zelvar::coil {

// Secondary and extra coil: turns are drawn when their pitch is at least
// this many pixels, a band otherwise; a band is at least this wide.
inline constexpr long double kMinTurnPixels = 3;
inline constexpr long double kMinBandPixels = 4;

struct ModelPoint {
    long double x = 0;  // metres across, 0 on the secondary's axis
    long double y = 0;  // metres up, 0 at the secondary's lowest turn
};

// What a primitive shows; the renderer picks pen and brush by it.
enum class Ink : int {
    ground,      // the ground line and its hatch
    former,      // a coil former's outline
    axis,        // a coil's centre line (dash-dot)
    conductor,   // a turn's cross-section
    tap,         // the primary's turn past its fractional count (outline)
    band,        // a winding band's outline and hatch
    terminal,    // the top terminal's cross-section
    extension,   // a dimension's extension line
};

struct DrawLine {
    ModelPoint a, b;
    Ink ink = Ink::ground;
};

struct DrawCircle {
    ModelPoint centre;
    long double radius = 0;
    Ink ink = Ink::conductor;
};

struct DrawRect {
    ModelPoint low, high;  // corners: least x and y, greatest x and y
    Ink ink = Ink::band;
};

// Where a text lies from its anchor point.
enum class TextSide : int { above, below, left, right };

struct DrawText {
    ModelPoint at;
    std::string text;  // UTF-8
    TextSide side = TextSide::above;
    bool vertical = false;  // reads upwards (rotated a quarter turn left)
};

// A dimension: the line from a to b with arrowheads at both ends, and its
// text (UTF-8) beside the line's middle: above a horizontal one, left of a
// vertical one, reading upwards.
struct Dimension {
    ModelPoint a, b;
    std::string text;
    TextSide side = TextSide::above;
};

struct ModelBox {
    long double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // least and greatest x and y
};

// Pixels kept free inside the box, on each side.
struct Margins {
    long double left = 0, right = 0, top = 0, bottom = 0;
};

// Model to pixels, the same scale on both axes; pixel y runs down.
struct Transform {
    long double scale = 1;     // pixels per metre
    long double x_origin = 0;  // pixel x of model x = 0
    long double y_origin = 0;  // pixel y of model y = 0
    long double px(long double x) const { return x_origin + scale * x; }
    long double py(long double y) const { return y_origin - scale * y; }
};

// The largest uniform scale that puts `content` inside the box of
// width × height pixels less the margins, the content centred in what is
// left.  A box with no room left, or empty content, gives scale 1 on the
// box's centre.
Transform fit_to_box(const ModelBox& content, long double width, long double height, const Margins& margins);

struct CrossSection {
    int width = 0, height = 0;  // the box, pixels
    Transform transform;
    std::vector<DrawRect> rects;
    std::vector<DrawLine> lines;
    std::vector<DrawCircle> circles;
    std::vector<Dimension> dimensions;
    std::vector<DrawText> texts;
    // How the secondary and the extra coil came out.
    bool secondary_turns = false;  // as turns (true) or as a band
    bool extra_turns = false;
    long double ground_y = 0;   // model height of the ground line
    long double extra_axis = 0; // model x of the extra coil's axis
};

// The cross-section of the sheet's coil set in a box of width × height
// pixels.
CrossSection cross_section(const WindingSheet& sheet, int width, int height);

// A length as the drawing writes it: millimetres to four significant
// digits ("110.0 mm", "0.3300 mm", "1234 mm"); the minus sign is U+2212.
std::string mm_text(long double metres);

}  // namespace zelvar::coil
