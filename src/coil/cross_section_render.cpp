// SPDX-License-Identifier: GPL-3.0-or-later
#include "coil/cross_section_render.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>

#include "plot/painting_file_render.h"

namespace zelvar {

namespace {

using coil::Ink;
using coil::TextSide;

const QColor kPaper(255, 255, 255);
const QColor kInk(25, 25, 25);
const QColor kGrey(128, 128, 128);
const QColor kCopper(200, 117, 51);
const QColor kCopperRim(110, 60, 20);
const QColor kAluminium(214, 219, 226);
const QColor kDimension(28, 69, 135);

constexpr qreal kArrowLength = 7;
constexpr qreal kArrowHalf = 2.5;
constexpr qreal kTextGap = 3;

QPen pen(const QColor& colour, qreal width, Qt::PenStyle style = Qt::SolidLine) {
    QPen p(colour, width, style, Qt::FlatCap, Qt::MiterJoin);
    p.setCosmetic(true);
    return p;
}

struct Pixels {
    const coil::Transform& t;
    QPointF operator()(const coil::ModelPoint& m) const {
        return {static_cast<qreal>(t.px(m.x)), static_cast<qreal>(t.py(m.y))};
    }
};

void arrowhead(QPainter& p, QPointF tip, QPointF toward_tip) {
    const QPointF base = tip - toward_tip * kArrowLength;
    const QPointF normal(-toward_tip.y(), toward_tip.x());
    p.drawPolygon(QPolygonF({tip, base + normal * kArrowHalf, base - normal * kArrowHalf}));
}

// The size of a text as drawn.
QSizeF text_size(QPainter& p, const QString& text) {
    const QFontMetricsF fm(p.font(), p.device());
    return {fm.horizontalAdvance(text) + 2, fm.height()};
}

// A text beside `at`: on `side` of it, reading upwards when `vertical`, on
// white; moved as far as needed to stay inside the page.
void text_at(QPainter& p, const QSizeF& page, QPointF at, const QString& text, TextSide side, bool vertical) {
    const QSizeF size = text_size(p, text);
    const qreal w = size.width(), h = size.height();
    // In the text's own frame: along it is x, away from it is y.
    QRectF box;
    if (vertical) {
        // Screen right is the frame's +y, screen left its -y.
        const bool right = side == TextSide::right || side == TextSide::below;
        box = QRectF(-w / 2, right ? kTextGap : -kTextGap - h, w, h);
    } else {
        switch (side) {
            case TextSide::above: box = QRectF(-w / 2, -kTextGap - h, w, h); break;
            case TextSide::below: box = QRectF(-w / 2, kTextGap, w, h); break;
            case TextSide::left: box = QRectF(-kTextGap - w, -h / 2, w, h); break;
            case TextSide::right: box = QRectF(kTextGap, -h / 2, w, h); break;
        }
    }
    // The box on the page: a quarter turn maps (x, y) to (y, -x).
    QRectF screen = vertical ? QRectF(at.x() + box.top(), at.y() - box.right(), box.height(), box.width())
                             : box.translated(at);
    qreal dx = 0, dy = 0;
    if (screen.right() > page.width() - 1) dx = page.width() - 1 - screen.right();
    if (screen.left() + dx < 1) dx = 1 - screen.left();
    if (screen.bottom() > page.height() - 1) dy = page.height() - 1 - screen.bottom();
    if (screen.top() + dy < 1) dy = 1 - screen.top();
    p.save();
    p.translate(at + QPointF(dx, dy));
    if (vertical) p.rotate(-90);
    p.fillRect(box, kPaper);
    p.drawText(box, Qt::AlignCenter, text);
    p.restore();
}

void dimension(QPainter& p, const QSizeF& page, const Pixels& px, const coil::Dimension& d) {
    const QPointF a = px(d.a), b = px(d.b);
    const QPointF span = b - a;
    const qreal length = std::hypot(span.x(), span.y());
    const bool vertical_side = d.side == TextSide::left || d.side == TextSide::right;
    const QPointF along = length > 0 ? span / length : (vertical_side ? QPointF(0, -1) : QPointF(1, 0));
    p.setPen(pen(kDimension, 1));
    p.setBrush(kDimension);
    const bool inside = length >= 2 * kArrowLength + 4;
    const qreal out = kArrowLength + 8;
    if (inside) {
        p.drawLine(a, b);
        arrowhead(p, a, -along);
        arrowhead(p, b, along);
    } else {
        // Too short: the arrows come from outside, pointing in.
        p.drawLine(a - along * out, b + along * out);
        arrowhead(p, a, along);
        arrowhead(p, b, -along);
    }
    const QString text = QString::fromStdString(d.text);
    QPointF at = (a + b) / 2;
    if (text_size(p, text).width() > length + 2 * kArrowLength) {
        // Far longer than the line: the text goes on past the upper (a
        // vertical dimension) or the right-hand end (a horizontal one).
        const QPointF end = vertical_side ? (a.y() < b.y() ? a : b) : (a.x() > b.x() ? a : b);
        const QPointF outward = vertical_side ? QPointF(0, -1) : QPointF(1, 0);
        at = end + outward * ((inside ? 4 : out) + text_size(p, text).width() / 2);
    }
    text_at(p, page, at, text, d.side, vertical_side);
}

}  // namespace

void render_cross_section(QPainter& p, const coil::CrossSection& cs, const QFont& font) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.fillRect(QRectF(0, 0, cs.width, cs.height), kPaper);
    // The sheet's frame.
    p.setPen(pen(kGrey, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, cs.width - 1, cs.height - 1));
    p.setFont(font);
    const Pixels px{cs.transform};

    for (const coil::DrawRect& r : cs.rects) {
        const QRectF box = QRectF(px(r.low), px(r.high)).normalized();
        p.setBrush(Qt::NoBrush);
        p.setPen(r.ink == Ink::former ? pen(kGrey, 1) : pen(kCopperRim, 1));
        p.drawRect(box);
    }
    for (const coil::DrawLine& l : cs.lines) {
        switch (l.ink) {
            case Ink::ground: p.setPen(pen(kInk, l.a.y == l.b.y ? 2 : 1)); break;
            case Ink::axis: p.setPen(pen(kGrey, 1, Qt::DashDotLine)); break;
            case Ink::extension: p.setPen(pen(kDimension, 0.8)); break;
            case Ink::band: p.setPen(pen(kCopperRim, 0.8)); break;
            default: p.setPen(pen(kGrey, 1)); break;
        }
        p.drawLine(px(l.a), px(l.b));
    }
    for (const coil::DrawCircle& c : cs.circles) {
        const qreal r = std::max<qreal>(static_cast<qreal>(c.radius * cs.transform.scale), 0.75);
        switch (c.ink) {
            case Ink::terminal:
                p.setPen(pen(kInk, 1.2));
                p.setBrush(kAluminium);
                break;
            case Ink::tap:
                p.setPen(pen(kCopper, 1));
                p.setBrush(Qt::NoBrush);
                break;
            default:
                p.setPen(pen(kCopperRim, r >= 2 ? 1 : 0.6));
                p.setBrush(kCopper);
                break;
        }
        p.drawEllipse(px(c.centre), r, r);
    }
    const QSizeF page(cs.width, cs.height);
    for (const coil::Dimension& d : cs.dimensions) dimension(p, page, px, d);
    p.setPen(pen(kInk, 1));
    for (const coil::DrawText& t : cs.texts)
        text_at(p, page, px(t.at), QString::fromStdString(t.text), t.side, t.vertical);
    p.restore();
}

QImage cross_section_image(const coil::CrossSection& cs, const QFont& font, int dpi_x, int dpi_y) {
    QImage image(std::max(cs.width, 1), std::max(cs.height, 1), QImage::Format_RGB32);
    image.setDotsPerMeterX(static_cast<int>(std::lround(dpi_x / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(dpi_y / 0.0254)));
    image.fill(kPaper);
    QPainter p(&image);
    render_cross_section(p, cs, font);
    p.end();
    return image;
}

void save_cross_section_png(const std::string& path, const coil::CrossSection& cs, const QFont& font, int dpi_x,
                            int dpi_y) {
    // The image the window shows, drawn at the window's resolution, copied
    // pixel for pixel onto the file's surface.
    const QImage image = cross_section_image(cs, font, dpi_x, dpi_y);
    save_painting(path, image.size(), [&image](QPainter& p) { p.drawImage(0, 0, image); });
}

void save_cross_section_svg(const std::string& path, const coil::CrossSection& cs, const QFont& font) {
    save_painting(path, QSize(std::max(cs.width, 1), std::max(cs.height, 1)),
                  [&](QPainter& p) { render_cross_section(p, cs, font); });
}

}  // namespace zelvar
