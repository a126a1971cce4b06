// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cross-section of a coil set (coil/cross_section.h) drawn into any
// painter, and as PNG and SVG files through the painting file writer.  Needs
// Qt GUI and Qt SVG only.
//
// White paper in a grey frame; formers and centre lines in grey (the centre lines dash-dot),
// conductors copper with a dark rim (a tapped primary's turn past the tap
// as a copper outline), winding bands hatched, the top terminal in
// aluminium grey, the ground a heavy hatched line, dimensions in dark blue
// with filled arrowheads (outside the extension lines when the dimension is
// too short for them) and their texts on white; the notes in black.
#include <QFont>
#include <QImage>
#include <string>

#include "coil/cross_section.h"

class QPainter;

namespace zelvar {

// Draws the whole box (cs.width × cs.height pixels from the painter's origin).
void render_cross_section(QPainter& painter, const coil::CrossSection& cs, const QFont& font);

// The drawing in pixels, its text laid out for the given resolution.
QImage cross_section_image(const coil::CrossSection& cs, const QFont& font, int dpi_x, int dpi_y);

// The drawing as a PNG file (cross_section_image) or an SVG drawing, through
// save_painting: written whole or not at all; errors throw zelvar::Error
// ("Picture file NAME cannot be written: REASON").  The names should end in
// .png and .svg: save_painting picks the kind by the ending.
void save_cross_section_png(const std::string& path, const coil::CrossSection& cs, const QFont& font, int dpi_x,
                            int dpi_y);
void save_cross_section_svg(const std::string& path, const coil::CrossSection& cs, const QFont& font);

}  // namespace zelvar
