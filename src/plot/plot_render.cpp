// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot/plot_render.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cfenv>
#include <cmath>
#include <exception>

#include "app/faults.h"

namespace zelvar {

namespace {

QColor row_colour(int row) {
    const ChannelRow& r = kChannelTable[row];
    return QColor(r.red, r.green, r.blue);
}

bool fault_pending() { return std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID) != 0; }

void draw_points(QPainter& p, const PixelPoint* pts, std::int32_t n, int row, int pen_factor,
                 std::vector<QPoint>& qpoints) {
    if (n < 2) return;
    if (qpoints.size() < static_cast<std::size_t>(n)) qpoints.resize(n);
    for (std::int32_t k = 0; k < n; ++k) qpoints[k] = QPoint(pts[k].x, pts[k].y);
    p.setPen(curve_pen(row, pen_factor));
    p.drawPolyline(qpoints.data(), n);
}

// The eight curves of a store, row by row.  When their mapping raises a
// fault, the rows before the faulty point are drawn, the faulty row up to
// the point before it, and the fault is thrown.
void draw_store(QPainter& p, const SampleStore& store, const std::array<long double, kChannelRows>& scales,
                const PlotLayout& layout, int pen_factor, PlotScratch& scratch) {
    const std::size_t size = static_cast<std::size_t>(store.count()) + 2;
    for (auto& row : scratch.rows)
        if (row.size() < size) row.resize(size);
    PixelPoint* const out[kChannelRows] = {scratch.rows[0].data(), scratch.rows[1].data(), scratch.rows[2].data(),
                                           scratch.rows[3].data(), scratch.rows[4].data(), scratch.rows[5].data(),
                                           scratch.rows[6].data(), scratch.rows[7].data()};
    std::int32_t counts[kChannelRows];
    fp_clear();
    store_curves(store, scales, layout.map, layout.area, out, counts);
    CurveFault fault;
    if (fault_pending()) fault = first_curve_fault(store, scales, layout.map);
    fp_clear();
    const int rows = fault.row < 0 ? kChannelRows : fault.row;
    for (int c = 0; c < rows; ++c) draw_points(p, out[c], counts[c], c, pen_factor, scratch.points);
    if (fault.row < 0) return;
    const std::int32_t before = fault.sample;  // the samples before the faulty one
    std::vector<PixelPoint> part(static_cast<std::size_t>(before) + 1);
    row_points(store, fault.row, scales[fault.row], layout.map, layout.area, before, part.data());
    fp_clear();
    draw_points(p, part.data(), before, fault.row, pen_factor, scratch.points);
    throw Error(fault.message);
}

void draw(QPainter& p, const PlotPicture& in, PlotLayout& layout, PlotScratch& scratch) {
    const int W = in.size.width();
    const int H = in.size.height();
    fp_clear();
    const PlotArea area = plot_area(W, H);
    ViewRecord& view = layout.view;
    widen_flat_range(view);
    fp_check();
    const PixelMap map = checked_pixel_map(area, view);
    layout.area = area;
    layout.map = map;
    layout.mapped = true;

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);

    // Background: filled black, white border.
    p.fillRect(0, 0, W, H, Qt::black);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(0, 0, W - 1, H - 1);

    // Decade grid: time, then value.  Positions are not clamped.
    p.setPen(QPen(QColor(128, 128, 128), 1, Qt::DotLine));
    long double g[kMaxGridLines];
    int n = decade_grid(view.t0, view.t1, g, kMaxGridLines);
    fp_check();
    for (int i = 0; i < n; ++i) {
        const long double v = map.ax * g[i] + map.bx;
        fp_check();
        const std::int32_t x = round_int(v);
        p.drawLine(x, area.y0, x, area.y1);
    }
    n = decade_grid(view.ymin, view.ymax, g, kMaxGridLines);
    fp_check();
    for (int i = 0; i < n; ++i) {
        const long double v = map.ay * g[i] + map.by;
        fp_check();
        const std::int32_t y = round_int(v);
        p.drawLine(area.x0, y, area.x1, y);
    }

    // Axes: value axis on the left, time axis at the bottom.
    p.setPen(QPen(QColor(255, 255, 0), 1));
    p.drawLine(area.x0, area.y0, area.x0, area.y1);
    p.drawLine(area.x0, area.y1, area.x1, area.y1);

    // Range labels and legend: opaque text on black.
    p.setFont(in.font);
    const QFontMetrics fm = p.fontMetrics();
    const int th = fm.height();
    auto text = [&](int x, int y, const QString& s, const QColor& colour) {
        p.fillRect(x, y, fm.horizontalAdvance(s), th, Qt::black);
        p.setPen(colour);
        p.drawText(x, y + fm.ascent(), s);
    };
    const RangeLabels labels = range_labels(view);
    const QString top = QString::fromLatin1(labels.value_top);
    const QString bottom = QString::fromLatin1(labels.value_bottom);
    const QString end = QString::fromLatin1(labels.time_end);
    const QString start = QString::fromLatin1(labels.time_start);
    text(area.x0 - fm.horizontalAdvance(top) - 3, area.y0, top, Qt::white);
    text(area.x0 - fm.horizontalAdvance(bottom) - 3, area.y1 - th, bottom, Qt::white);
    text(area.x1 - fm.horizontalAdvance(end), area.y1 + 4, end, Qt::white);
    text(area.x0, area.y1 + 4, start, Qt::white);
    for (int c = 0; c < kChannelRows; ++c)
        text(20, area.y0 + 20 + 15 * c, QString::fromLatin1(legend_text(c, in.scales[kChannelTable[c].value])),
             row_colour(c));

    // Curves: the reference under the current run.  A time window without a
    // mapping (zero width) has no curves.
    if (!std::isfinite(map.ax) || !std::isfinite(map.bx)) return;
    if (in.reference != nullptr) draw_store(p, *in.reference, in.scales, layout, kReferencePenFactor, scratch);
    if (in.samples != nullptr) draw_store(p, *in.samples, in.scales, layout, 1, scratch);
}

}  // namespace

QPen curve_pen(int row, int pen_factor) {
    return QPen(row_colour(row), kChannelTable[row].pen_width * pen_factor, Qt::SolidLine, Qt::RoundCap,
                Qt::RoundJoin);
}

PlotLayout render_plot(QPainter& painter, const PlotPicture& picture, PlotScratch* scratch) {
    PlotLayout layout;
    layout.view = picture.view;
    PlotScratch local;
    painter.save();
    try {
        draw(painter, picture, layout, scratch != nullptr ? *scratch : local);
    } catch (const std::exception& e) {
        layout.fault = e.what();
        if (layout.fault.empty()) layout.fault = "Unknown error";
    }
    painter.restore();
    fp_clear();
    return layout;
}

}  // namespace zelvar
