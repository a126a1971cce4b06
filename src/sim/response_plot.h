// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The drawing of the frequency response window, as geometry: three panels
// over one logarithmic frequency axis (|V3/Vin| in dB, |Zin| on a
// logarithmic scale, the phase of Zin), their grid, tick labels, the marks
// of the resonances and of the source frequency, and the curves as pixel
// polylines.  The renderer (sim/response_render.h) draws it into any
// QPainter; the window and the picture files use the same layout.
//
// The quality factor of a natural frequency, the pole s = −σ ± jω of a
// second-order section s² + (ω0/Q)·s + ω0²:  Q = |s| / (2σ) = √(σ² + ω²) / (2σ)
// (M. E. Van Valkenburg, "Analog Filter Design", 1982, ch. 2; any σ > 0;
// a pole without decay, σ = 0, has no finite Q).
#include <cstdint>
#include <string>
#include <vector>

#include "sim/freq_response.h"

namespace zelvar {

// Q of a natural frequency (f in Hz, decay σ in 1/s); +inf when σ is 0.
long double quality_factor(const NaturalFrequency& n);

// The frequencies shown: the whole curve when from and to are 0, else the
// part of it between them.
struct ResponseView {
    long double from = 0, to = 0;
};

// A text placed in a box (pixels), UTF-8; align −1 left, 0 centred, 1 right.
struct PlotLabel {
    long double x = 0, y = 0, w = 0, h = 0;
    std::string text;
    int align = 0;
};

struct PlotPoint {
    long double x = 0, y = 0;
};

struct ResponsePanel {
    std::string title;
    long double left = 0, top = 0, width = 0, height = 0;
    std::vector<long double> rows;     // pixel y of the horizontal grid lines
    std::vector<PlotLabel> labels;     // their values, left of the panel
    std::vector<std::vector<PlotPoint>> paths;  // the curve, broken where it has no finite value
};

struct ResponseLayout {
    bool drawn = false;    // false: `message` is shown in the plot area instead
    std::string message;   // "No response computed." or the error
    long double left = 0, top = 0, width = 0, height = 0;  // the plot area
    long double f_lo = 0, f_hi = 0;  // the frequencies at its left and right edges
    std::vector<long double> columns;  // pixel x of the frequency grid lines
    std::vector<PlotLabel> f_labels;   // 1, 2 and 5 of each decade, none overlapping
    PlotLabel axis_title;              // "Frequency (Hz)", centred under the labels
    std::vector<long double> resonance_x;
    std::vector<PlotLabel> marks;      // "f1", "f2", … and "fin" in the first panel
    bool fin_shown = false;
    long double fin_x = 0;
    ResponsePanel panels[3];
};

// The layout for a plot of width × height pixels.  An empty curve (or one
// point) lays out only the message.
ResponseLayout layout_response(const std::vector<ResponsePoint>& curve, const std::vector<NaturalFrequency>& marks,
                               long double fin, int width, int height, ResponseView view = {},
                               const std::string& message = "No response computed.");

// The horizontal pixel of a frequency in the layout.
long double response_x(const ResponseLayout& layout, long double f);
// The frequency at a horizontal pixel.
long double response_f(const ResponseLayout& layout, long double x);
// The index of the computed point nearest (on the logarithmic axis) to
// pixel column x, −1 outside the plot area or without a drawing.
int response_index_at(const ResponseLayout& layout, const std::vector<ResponsePoint>& curve, long double x);

// A drag from x0 to x1 (pixels) as a view: the frequencies under the two
// columns, in order; false (view unchanged) for a drag narrower than 3
// pixels or without a drawing.
bool response_zoom(const ResponseLayout& layout, long double x0, long double x1, ResponseView& view);

}  // namespace zelvar
