// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/response_render.h"

#include <QPainter>
#include <QPainterPath>

namespace zelvar {

namespace {

QRectF box(const PlotLabel& l) {
    return QRectF(static_cast<double>(l.x), static_cast<double>(l.y), static_cast<double>(l.w),
                  static_cast<double>(l.h));
}

void draw_label(QPainter& p, const PlotLabel& l, Qt::Alignment vertical = Qt::AlignVCenter) {
    const Qt::Alignment horizontal = l.align < 0 ? Qt::AlignLeft : l.align > 0 ? Qt::AlignRight : Qt::AlignHCenter;
    p.drawText(box(l), static_cast<int>(horizontal | vertical), QString::fromUtf8(l.text.c_str()));
}

QPointF at(long double x, long double y) { return QPointF(static_cast<double>(x), static_cast<double>(y)); }

}  // namespace

void render_response(QPainter& p, const ResponseLayout& l, int width, int height, long double cursor_x,
                     long double zoom_x0, long double zoom_x1) {
    p.save();
    p.fillRect(QRect(0, 0, width, height), Qt::white);
    const QRectF area(static_cast<double>(l.left), static_cast<double>(l.top), static_cast<double>(l.width),
                      static_cast<double>(l.height));
    if (!l.drawn) {
        p.setPen(l.message == "No response computed." ? QColor(Qt::black) : QColor(176, 0, 0));
        p.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, QString::fromUtf8(l.message.c_str()));
        p.restore();
        return;
    }
    const QColor grid(225, 225, 225);
    for (int k = 0; k < 3; ++k) {
        const ResponsePanel& panel = l.panels[k];
        const QRectF frame(static_cast<double>(panel.left), static_cast<double>(panel.top),
                           static_cast<double>(panel.width), static_cast<double>(panel.height));
        p.setPen(grid);
        for (const long double x : l.columns) p.drawLine(at(x, panel.top), at(x, panel.top + panel.height));
        for (std::size_t r = 0; r < panel.rows.size(); ++r) {
            p.setPen(grid);
            p.drawLine(at(panel.left, panel.rows[r]), at(panel.left + panel.width, panel.rows[r]));
            p.setPen(Qt::black);
            draw_label(p, panel.labels[r]);
        }
        p.setPen(QPen(QColor(200, 0, 0), 1, Qt::DashLine));
        for (const long double x : l.resonance_x) p.drawLine(at(x, panel.top), at(x, panel.top + panel.height));
        if (l.fin_shown) {
            p.setPen(QPen(QColor(0, 0, 200), 1, Qt::SolidLine));
            p.drawLine(at(l.fin_x, panel.top), at(l.fin_x, panel.top + panel.height));
        }
        QPainterPath path;
        for (const std::vector<PlotPoint>& line : panel.paths) {
            path.moveTo(at(line.front().x, line.front().y));
            for (std::size_t i = 1; i < line.size(); ++i) path.lineTo(at(line[i].x, line[i].y));
        }
        p.setClipRect(frame.adjusted(0, -1, 1, 2));
        p.setPen(QPen(k == 2 ? QColor(0, 130, 0) : QColor(Qt::black), 1));
        p.drawPath(path);
        p.setClipping(false);
        p.setPen(Qt::black);
        p.drawRect(frame);
        p.drawText(QPointF(frame.left() + 4, frame.top() - 3), QString::fromUtf8(panel.title.c_str()));
    }
    for (const PlotLabel& m : l.marks) {
        p.setPen(m.text == "fin" ? QColor(0, 0, 200) : QColor(200, 0, 0));
        draw_label(p, m);
    }
    p.setPen(Qt::black);
    for (const PlotLabel& f : l.f_labels) draw_label(p, f, Qt::AlignTop);
    draw_label(p, l.axis_title, Qt::AlignTop);
    if (cursor_x >= 0) {
        p.setPen(QPen(QColor(120, 120, 120), 1, Qt::DotLine));
        p.drawLine(at(cursor_x, l.top), at(cursor_x, l.top + l.height));
    }
    if (zoom_x1 > zoom_x0) {
        p.fillRect(QRectF(static_cast<double>(zoom_x0), area.top(), static_cast<double>(zoom_x1 - zoom_x0),
                          area.height()),
                   QColor(0, 90, 200, 50));
    }
    p.restore();
}

}  // namespace zelvar
