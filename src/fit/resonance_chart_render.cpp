#include "fit/resonance_chart_render.h"

#include <QPainter>

#include "fit/resonance_chart.h"

namespace zelvar::fit {

void draw_resonance_chart(QPainter& painter, const ResonanceChart& chart) {
    const QColor colours[3] = {QColor(128, 128, 128), QColor(200, 30, 30), QColor(30, 70, 200)};
    painter.setPen(Qt::black);
    for (int r = 0; r < 3; ++r)
        painter.drawText(QRectF(4, chart.row_y[r] - 8, chart.left - 8, 16), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromLatin1(chart.row_names[r]));
    painter.drawLine(QPointF(chart.left, chart.axis_y), QPointF(chart.right, chart.axis_y));
    for (const ChartTick& t : chart.ticks) {
        painter.drawLine(QPointF(t.x, chart.axis_y), QPointF(t.x, chart.axis_y + 4));
        painter.drawText(QRectF(t.x - 30, chart.axis_y + 5, 60, 14), Qt::AlignHCenter | Qt::AlignTop,
                         QString::fromStdString(t.label));
    }
    painter.drawText(QRectF(4, chart.axis_y + 5, chart.left - 8, 14), Qt::AlignLeft | Qt::AlignTop, "kHz");
    for (const ChartMark& m : chart.marks) {
        painter.setPen(QPen(colours[m.row], 2));
        painter.drawLine(QPointF(m.x, chart.row_y[m.row] - 7), QPointF(m.x, chart.row_y[m.row] + 7));
    }
}

}  // namespace zelvar::fit
