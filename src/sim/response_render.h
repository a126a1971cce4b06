// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Draws a frequency response layout (sim/response_plot.h) into any QPainter:
// the window's plot and the picture files.
#include "sim/response_plot.h"

class QPainter;

namespace zelvar {

// The whole plot on a white ground of width × height pixels; cursor_x ≥ 0
// adds the dotted cursor line there, zoom_x0 < zoom_x1 the band being
// dragged.
void render_response(QPainter& painter, const ResponseLayout& layout, int width, int height, long double cursor_x = -1,
                     long double zoom_x0 = 0, long double zoom_x1 = 0);

}  // namespace zelvar
