// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The waveform picture: frame, decade grid, axes, range labels, legend, the
// reference curves and the current curves, drawn into any painter (the
// waveform window, an image, a picture file).  Needs Qt GUI only.
#include <QFont>
#include <QPen>
#include <QPoint>
#include <QSize>
#include <array>
#include <string>
#include <vector>

#include "plot/plot_geometry.h"
#include "sim/sim_result.h"

class QPainter;

namespace zelvar {

// What one picture is drawn from.
struct PlotPicture {
    QSize size;                               // the paint box's width and height
    QFont font;                               // the paint box's font
    const SampleStore* samples = nullptr;     // the current run
    const SampleStore* reference = nullptr;   // null when no reference is shown
    ViewRecord view;                          // the time window and value range
    std::array<long double, kChannelRows> scales{1, 1, 1, 1, 1, 1, 1, 1};  // record order
};

// What a drawing leaves for the zoom, the readout and the markers.
struct PlotLayout {
    bool mapped = false;   // the area and mapping below were computed
    PlotArea area;
    PixelMap map;
    ViewRecord view;       // the view as drawn: an exactly flat value range widened
    std::string fault;     // the arithmetic fault that stopped the drawing; empty when it is whole
};

// Work buffers of the curve points, for a caller that draws often.
struct PlotScratch {
    std::vector<PixelPoint> rows[kChannelRows];
    std::vector<QPoint> points;
};

// The pen of a curve of channel-table row `row` (0..7): its colour, its
// width times `pen_factor` (1 for the current run, 4 for the reference),
// solid, with round ends and joins.
QPen curve_pen(int row, int pen_factor);

// Draws the picture.  An arithmetic fault stops the drawing where it occurs
// (what was drawn stays) and is returned, never thrown; the painter's state
// is restored.  Starts no run, opens no box, changes nothing but the painter
// and the scratch buffers.
PlotLayout render_plot(QPainter& painter, const PlotPicture& picture, PlotScratch* scratch = nullptr);

}  // namespace zelvar
