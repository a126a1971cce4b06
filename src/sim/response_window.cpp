// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/response_window.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "report/format.h"

namespace zelvar {

namespace {

constexpr int kLeft = 70, kRight = 16, kTop = 22, kBottom = 28, kGap = 22;

// One panel: a title, its vertical scale and the values it shows.
struct Panel {
    const char* title;
    double (*value)(const ResponsePoint&);
    bool log_scale;
    double lo = 0, hi = 1;  // in scale units (decades for a log scale)
};

double v3_value(const ResponsePoint& p) { return static_cast<double>(p.v3_db); }
double zin_value(const ResponsePoint& p) { return static_cast<double>(p.zin_ohm); }
double phase_value(const ResponsePoint& p) { return static_cast<double>(p.zin_deg); }

double scaled(const Panel& panel, double v) { return panel.log_scale ? std::log10(v) : v; }

// Range of the finite values, widened to whole steps.
void fit(Panel& panel, const std::vector<ResponsePoint>& curve, double step) {
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (const ResponsePoint& p : curve) {
        const double v = panel.value(p);
        if (!std::isfinite(v) || (panel.log_scale && !(v > 0))) continue;
        const double s = scaled(panel, v);
        lo = std::min(lo, s);
        hi = std::max(hi, s);
    }
    if (!(lo <= hi)) lo = 0, hi = 1;
    panel.lo = std::floor(lo / step) * step;
    panel.hi = std::ceil(hi / step) * step;
    if (panel.hi <= panel.lo) panel.hi = panel.lo + step;
}

QString number(double v, int decimals) { return QString::number(v, 'f', decimals); }

// F(x; 1, d) for a finite x, "inf" or "-inf" otherwise.
QString fixed(long double x, int decimals) {
    if (std::isinf(x)) return x < 0 ? "-inf" : "inf";
    return QString::fromStdString(F(x, 1, decimals));
}

QString frequency_label(double f) {
    if (f >= 1e6) return QString::number(f / 1e6, 'g', 3) + "M";
    if (f >= 1e3) return QString::number(f / 1e3, 'g', 3) + "k";
    return QString::number(f, 'g', 3);
}

}  // namespace

ResponsePlot::ResponsePlot(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ResponsePlot::set_curve(std::vector<ResponsePoint> curve, std::vector<NaturalFrequency> resonances,
                             long double fin) {
    curve_ = std::move(curve);
    resonances_ = std::move(resonances);
    fin_ = fin;
    cursor_ = -1;
    update();
}

QRect ResponsePlot::plot_area() const {
    return QRect(kLeft, kTop, std::max(10, width() - kLeft - kRight), std::max(30, height() - kTop - kBottom));
}

double ResponsePlot::x_of(long double f) const {
    const QRect a = plot_area();
    if (curve_.size() < 2) return a.left();
    const double lo = std::log10(static_cast<double>(curve_.front().f));
    const double hi = std::log10(static_cast<double>(curve_.back().f));
    return a.left() + (std::log10(static_cast<double>(f)) - lo) / (hi - lo) * a.width();
}

int ResponsePlot::index_at(double x) const {
    const QRect a = plot_area();
    if (curve_.size() < 2 || x < a.left() || x > a.right()) return -1;
    const double lo = std::log10(static_cast<double>(curve_.front().f));
    const double hi = std::log10(static_cast<double>(curve_.back().f));
    const double f = std::pow(10.0, lo + (x - a.left()) * (hi - lo) / a.width());
    const auto above = std::lower_bound(curve_.begin(), curve_.end(), f,
                                        [](const ResponsePoint& p, double g) { return p.f < g; });
    if (above == curve_.begin()) return 0;
    if (above == curve_.end()) return static_cast<int>(curve_.size()) - 1;
    const auto below = above - 1;
    // Nearest on the logarithmic axis.
    const double d_above = std::log(static_cast<double>(above->f) / f);
    const double d_below = std::log(f / static_cast<double>(below->f));
    return static_cast<int>((d_below <= d_above ? below : above) - curve_.begin());
}

void ResponsePlot::mouseMoveEvent(QMouseEvent* event) {
    const int index = index_at(event->position().x());
    if (index != cursor_) {
        cursor_ = index;
        update();
        emit pointed(index);
    }
}

void ResponsePlot::leaveEvent(QEvent*) {
    if (cursor_ != -1) {
        cursor_ = -1;
        update();
        emit pointed(-1);
    }
}

void ResponsePlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QRect a = plot_area();
    if (curve_.size() < 2) {
        painter.drawText(a, Qt::AlignCenter, "No response computed.");
        return;
    }
    Panel panels[] = {{"|V3/Vin| (dB)", v3_value, false}, {"|Zin| (\u03a9)", zin_value, true},
                      {"phase Zin (\u00b0)", phase_value, false}};
    fit(panels[0], curve_, 20);
    fit(panels[1], curve_, 1);
    panels[2].lo = -90, panels[2].hi = 90;
    const int heights[] = {(a.height() - 2 * kGap) * 2 / 5, (a.height() - 2 * kGap) * 2 / 5, 0};
    const int third = a.height() - 2 * kGap - heights[0] - heights[1];

    // Frequency grid: 1 to 9 times each decade, labels at 1, 2 and 5.
    const double flo = static_cast<double>(curve_.front().f), fhi = static_cast<double>(curve_.back().f);
    std::vector<std::pair<double, bool>> grid;
    for (double decade = std::pow(10.0, std::floor(std::log10(flo))); decade <= fhi; decade *= 10)
        for (int m = 1; m <= 9; ++m) {
            const double f = m * decade;
            if (f >= flo && f <= fhi) grid.push_back({f, m == 1 || m == 2 || m == 5});
        }

    int top = a.top();
    for (int p = 0; p < 3; ++p) {
        const Panel& panel = panels[p];
        const QRect box(a.left(), top, a.width(), p < 2 ? heights[p] : third);
        const auto y_of = [&](double s) { return box.bottom() - (s - panel.lo) / (panel.hi - panel.lo) * box.height(); };
        painter.setPen(QColor(225, 225, 225));
        for (const auto& [f, labelled] : grid) {
            const double x = x_of(f);
            painter.drawLine(QPointF(x, box.top()), QPointF(x, box.bottom()));
        }
        // Horizontal lines: every step of the scale (decades, 20 dB, 45°).
        const double step = panel.log_scale ? 1 : p == 0 ? 20 : 45;
        painter.setPen(QColor(225, 225, 225));
        for (double s = panel.lo; s <= panel.hi + 1e-9; s += step) {
            painter.setPen(QColor(225, 225, 225));
            painter.drawLine(QPointF(box.left(), y_of(s)), QPointF(box.right(), y_of(s)));
            painter.setPen(Qt::black);
            const QString text = panel.log_scale ? QString("1e%1").arg(static_cast<int>(std::lround(s)))
                                                 : number(s, 0);
            painter.drawText(QRectF(0, y_of(s) - 8, kLeft - 4, 16), Qt::AlignRight | Qt::AlignVCenter, text);
        }
        // Markers: resonances dashed red, the source frequency blue.
        painter.setPen(QPen(QColor(200, 0, 0), 1, Qt::DashLine));
        for (std::size_t j = 0; j < resonances_.size(); ++j) {
            const double x = x_of(resonances_[j].f);
            painter.drawLine(QPointF(x, box.top()), QPointF(x, box.bottom()));
            if (p == 0) painter.drawText(QPointF(x + 3, box.top() + 12), QString("f%1").arg(j + 1));
        }
        if (fin_ >= curve_.front().f && fin_ <= curve_.back().f) {
            painter.setPen(QPen(QColor(0, 0, 200), 1, Qt::SolidLine));
            const double x = x_of(fin_);
            painter.drawLine(QPointF(x, box.top()), QPointF(x, box.bottom()));
            if (p == 0) painter.drawText(QPointF(x + 3, box.top() + 26), "fin");
        }
        // The curve, broken where it has no finite value.
        QPainterPath path;
        bool open = false;
        for (const ResponsePoint& pt : curve_) {
            const double v = panel.value(pt);
            if (!std::isfinite(v) || (panel.log_scale && !(v > 0))) {
                open = false;
                continue;
            }
            const double y = std::clamp(y_of(scaled(panel, v)), box.top() - 1.0, box.bottom() + 1.0);
            const QPointF q(x_of(pt.f), y);
            if (open) path.lineTo(q);
            else path.moveTo(q);
            open = true;
        }
        painter.setClipRect(box.adjusted(0, -1, 1, 2));
        painter.setPen(QPen(p == 2 ? QColor(0, 130, 0) : Qt::black, 1));
        painter.drawPath(path);
        painter.setClipping(false);
        painter.setPen(Qt::black);
        painter.drawRect(box);
        painter.drawText(QPointF(box.left() + 4, box.top() - 3), panel.title);
        top = box.bottom() + kGap;
    }
    // Frequency labels under the last panel.
    painter.setPen(Qt::black);
    for (const auto& [f, labelled] : grid)
        if (labelled)
            painter.drawText(QRectF(x_of(f) - 30, a.bottom() + 4, 60, 16), Qt::AlignHCenter | Qt::AlignTop,
                             frequency_label(f));
    painter.drawText(QRectF(a.right() - 60, a.bottom() + 4, 60, 16), Qt::AlignRight | Qt::AlignTop, "Hz");
    // The cursor.
    if (cursor_ >= 0) {
        painter.setPen(QPen(QColor(120, 120, 120), 1, Qt::DotLine));
        const double x = x_of(curve_[cursor_].f);
        painter.drawLine(QPointF(x, a.top()), QPointF(x, a.bottom()));
    }
}

TFresponse::TFresponse(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("Fresponse");
    setWindowTitle("Frequency response");
    resize(820, 640);
    setAttribute(Qt::WA_QuitOnClose, false);
    plot = new ResponsePlot(this);
    plot->setObjectName("plot");
    plot->setGeometry(0, 0, 820, 610);
    readout = new QLabel(this);
    readout->setObjectName("readout");
    readout->setGeometry(8, 614, 804, 20);
    readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(plot, &ResponsePlot::pointed, this, [this](int index) { readout->setText(readout_text(index)); });
}

void TFresponse::show_response(const SimParams& p) {
    const std::vector<NaturalFrequency> naturals = natural_frequencies(circuit_poles(p));
    std::vector<ResponsePoint> curve = frequency_response(p, default_range(naturals));
    std::vector<NaturalFrequency> marks = lossless_resonances(p);
    plot->set_curve(std::move(curve), std::move(marks), p.fin);
    QString text = "Resonances without losses:";
    for (std::size_t j = 0; j < plot->resonances().size(); ++j)
        text += QString(" f%1 = %2 Hz").arg(j + 1).arg(fixed(plot->resonances()[j].f, 3));
    readout->setText(text);
}

QString TFresponse::readout_text(int index) const {
    if (index < 0 || index >= static_cast<int>(plot->curve().size())) return {};
    const ResponsePoint& p = plot->curve()[index];
    return QString::fromUtf8("f = %1 Hz   |V3/Vin| = %2 dB   |Zin| = %3 \u03a9   phase = %4\u00b0")
        .arg(fixed(p.f, 3))
        .arg(fixed(p.v3_db, 3))
        .arg(std::isinf(p.zin_ohm) ? QString("inf") : QString::fromStdString(E(p.zin_ohm, 16)).trimmed())
        .arg(fixed(p.zin_deg, 2));
}

void TFresponse::resizeEvent(QResizeEvent*) {
    plot->setGeometry(0, 0, width(), std::max(60, height() - 30));
    readout->setGeometry(8, height() - 26, std::max(10, width() - 16), 20);
}

}  // namespace zelvar
