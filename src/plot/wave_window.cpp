#include "plot/wave_window.h"

#include <QFont>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <exception>

#include "app/application_window.h"
#include "app/error_box_widget.h"
#include "app/faults.h"
#include "sim/sim_run.h"

namespace zelvar {

namespace {

// The window's only control: hands its paint and mouse events to the window.
class PaintBox : public QWidget {
public:
    explicit PaintBox(TFwave* owner) : QWidget(owner), owner_(owner) {
        setObjectName("PaintBox1");
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        owner_->PaintBox1Paint(painter);
    }
    void mousePressEvent(QMouseEvent* e) override {
        const QPoint p = e->position().toPoint();
        owner_->PaintBox1MouseDown(p.x(), p.y());
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        const QPoint p = e->position().toPoint();
        owner_->PaintBox1MouseMove(p.x(), p.y());
    }
    void mouseReleaseEvent(QMouseEvent*) override { owner_->PaintBox1MouseUp(); }

private:
    TFwave* owner_;
};

QColor row_colour(int row) {
    const ChannelRow& r = kChannelTable[row];
    return QColor(r.red, r.green, r.blue);
}

// The pixels of a rectangle outline, one pixel wider on each side.
QRegion outline_region(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
    const int left = std::min(x0, x1), right = std::max(x0, x1);
    const int top = std::min(y0, y1), bottom = std::max(y0, y1);
    QRegion r;
    r += QRect(left - 1, top - 1, right - left + 3, 3);
    r += QRect(left - 1, bottom - 1, right - left + 3, 3);
    r += QRect(left - 1, top - 1, 3, bottom - top + 3);
    r += QRect(right - 1, top - 1, 3, bottom - top + 3);
    return r;
}

}  // namespace

QPen curve_pen(int row, int pen_factor) {
    return QPen(row_colour(row), kChannelTable[row].pen_width * pen_factor, Qt::SolidLine, Qt::RoundCap,
                Qt::RoundJoin);
}

TFwave::TFwave(SimDocument& state, ReportSink& log, QWidget* parent)
    : QWidget(parent),
      PaintBox1(nullptr),
      state_(state),
      log_(log) {
    setObjectName("Fwave");
    setWindowTitle("Waveforms");
    // The plot's text is drawn without smoothing, in solid colours.
    QFont font("MS Sans Serif", 8);
    font.setStyleStrategy(QFont::NoAntialias);
    setFont(font);
    setFocusPolicy(Qt::StrongFocus);
    PaintBox1 = new PaintBox(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PaintBox1);
    move(184, 119);
    resize(632, 476);
}

void TFwave::set_inputs(Inputs inputs) { inputs_ = std::move(inputs); }

void TFwave::replot() {
    PaintBox1->update();
    bring_to_front(this);
}

// ---------------------------------------------------------------------------
// Paint

void TFwave::report_error_later(const std::string& message) {
    // Never inside a paint: the box opens once the paint has returned.
    QTimer::singleShot(0, this, [this, message] {
        try {
            show_error_box(this, message);
        } catch (...) {
        }
    });
}

// Runs the simulation when the store must be recomputed.  A run that stops
// or fails is not tried again until the user asks for it (mark_dirty, a key
// command, a zoom).  Returns false when the run failed with an error: the
// paint then ends without drawing.
bool TFwave::run_if_dirty() {
    if (!state_.dirty || state_.run_blocked) return true;
    bool completed = false;
    bool failed = false;
    std::string message;
    try {
        const SimParams params = inputs_.params ? inputs_.params() : SimParams{};
        completed = run_simulation(params, state_, log_);
    } catch (const std::exception& e) {
        failed = true;
        message = e.what();
    }
    if (!completed) state_.run_blocked = true;
    try {
        if (inputs_.after_run) inputs_.after_run();
    } catch (const std::exception& e) {
        if (!failed) message = e.what();
        failed = true;
    }
    if (failed) {
        report_error_later(message);
        return false;
    }
    return true;
}

void TFwave::PaintBox1Paint(QPainter& painter) {
    try {
        // A repaint for the zoom rectangle redraws what is shown, without a run.
        if (!outline_only_ && !run_if_dirty()) {
            fp_clear();
            return;
        }
        if (state_.results_valid) {
            draw_plot(painter);
            if (!outline_only_) state_.dirty = false;
        }
        draw_zoom_outline(painter);
    } catch (const std::exception& e) {
        report_error_later(e.what());
    }
    fp_clear();  // the drawing's arithmetic raises nothing
}

void TFwave::draw_plot(QPainter& p) {
    std::array<long double, 8> scales;
    scales.fill(1);
    if (inputs_.scales) scales = inputs_.scales();

    const int W = PaintBox1->width();
    const int H = PaintBox1->height();
    area_ = plot_area(W, H);
    ViewRecord& view = state_.view;
    widen_flat_range(view);
    map_ = pixel_map(area_, view);
    drawn_ = true;

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
    for (int i = 0; i < n; ++i) {
        std::int32_t x;
        if (round_pixel(map_.ax * g[i] + map_.bx, x)) p.drawLine(x, area_.y0, x, area_.y1);
    }
    n = decade_grid(view.ymin, view.ymax, g, kMaxGridLines);
    for (int i = 0; i < n; ++i) {
        std::int32_t y;
        if (round_pixel(map_.ay * g[i] + map_.by, y)) p.drawLine(area_.x0, y, area_.x1, y);
    }

    // Axes: value axis on the left, time axis at the bottom.
    p.setPen(QPen(QColor(255, 255, 0), 1));
    p.drawLine(area_.x0, area_.y0, area_.x0, area_.y1);
    p.drawLine(area_.x0, area_.y1, area_.x1, area_.y1);

    // Range labels and legend: opaque text on black.
    const QFont font = PaintBox1->font();
    p.setFont(font);
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
    text(area_.x0 - fm.horizontalAdvance(top) - 3, area_.y0, top, Qt::white);
    text(area_.x0 - fm.horizontalAdvance(bottom) - 3, area_.y1 - th, bottom, Qt::white);
    text(area_.x1 - fm.horizontalAdvance(end), area_.y1 + 4, end, Qt::white);
    text(area_.x0, area_.y1 + 4, start, Qt::white);
    for (int c = 0; c < kChannelRows; ++c)
        text(20, area_.y0 + 20 + 15 * c, QString::fromLatin1(legend_text(c, scales[kChannelTable[c].value])),
             row_colour(c));

    // Curves: the reference under the current run.  A time window without a
    // mapping (zero width) has no curves.
    if (!std::isfinite(map_.ax) || !std::isfinite(map_.bx)) return;
    if (state_.reference_present) draw_curves(p, state_.reference, scales, kReferencePenFactor);
    draw_curves(p, state_.result.samples, scales, 1);
}

void TFwave::draw_curves(QPainter& p, const SampleStore& store, const std::array<long double, 8>& scales,
                         int pen_factor) {
    // The buffers grow to the largest store drawn so far.
    const std::size_t need = static_cast<std::size_t>(store.count()) + 1;
    if (qpoints_.size() < need) {
        for (auto& row : rows_) row.resize(need);
        qpoints_.resize(need);
    }
    PixelPoint* const out[kChannelRows] = {rows_[0].data(), rows_[1].data(), rows_[2].data(), rows_[3].data(),
                                           rows_[4].data(), rows_[5].data(), rows_[6].data(), rows_[7].data()};
    std::int32_t counts[kChannelRows];
    store_curves(store, scales, map_, area_, out, counts);
    for (int c = 0; c < kChannelRows; ++c) {
        const std::int32_t m = counts[c];
        if (m < 2) continue;
        for (std::int32_t k = 0; k < m; ++k) qpoints_[k] = QPoint(rows_[c][k].x, rows_[c][k].y);
        p.setPen(curve_pen(c, pen_factor));
        p.drawPolyline(qpoints_.data(), m);
    }
}

// ---------------------------------------------------------------------------
// Zoom rectangle

void TFwave::draw_zoom_outline(QPainter& p) {
    if (!dragging_) return;
    const QPoint outline[5] = {QPoint(drag_x0_, drag_y0_), QPoint(drag_x1_, drag_y0_), QPoint(drag_x1_, drag_y1_),
                               QPoint(drag_x0_, drag_y1_), QPoint(drag_x0_, drag_y0_)};
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(QPen(Qt::white, 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(outline, 5);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// Redraws the pixels of the outline with the old corner and of the one with
// the current corner: the plot under them, then the current outline.
void TFwave::repaint_outline(std::int32_t old_x1, std::int32_t old_y1) {
    const QRegion region = outline_region(drag_x0_, drag_y0_, old_x1, old_y1) +
                           outline_region(drag_x0_, drag_y0_, drag_x1_, drag_y1_);
    outline_only_ = true;
    PaintBox1->repaint(region);
    outline_only_ = false;
}

// A key command or a completed zoom: when the view changes (an error box
// says why it could not), the user has asked for a run again and the plot is
// repainted at once; a change that does not apply does nothing.
template <class Change>
void TFwave::change_view(Change change) {
    run_guarded(this, [&] {
        if (!change()) return;
        state_.run_blocked = false;
        PaintBox1->repaint();
    });
}

void TFwave::PaintBox1MouseDown(int x, int y) {
    const std::int32_t old_x0 = drag_x0_, old_y0 = drag_y0_, old_x1 = drag_x1_, old_y1 = drag_y1_;
    const bool was_dragging = dragging_;
    dragging_ = true;
    drag_x0_ = x;
    drag_y0_ = y;
    drag_x1_ = x;
    drag_y1_ = y;
    QRegion region = outline_region(x, y, x, y);
    if (was_dragging) region += outline_region(old_x0, old_y0, old_x1, old_y1);
    outline_only_ = true;
    PaintBox1->repaint(region);
    outline_only_ = false;
}

void TFwave::PaintBox1MouseMove(int x, int y) {
    if (!dragging_) return;
    const std::int32_t old_x1 = drag_x1_, old_y1 = drag_y1_;
    drag_x1_ = x;
    drag_y1_ = y;
    repaint_outline(old_x1, old_y1);
}

void TFwave::PaintBox1MouseUp() {
    if (!dragging_) return;
    dragging_ = false;
    repaint_outline(drag_x1_, drag_y1_);  // the plot without the outline
    // Before the first drawing with valid results there is no mapping to
    // invert: the drag then changes nothing.
    if (!drawn_ || !map_invertible(map_)) return;
    change_view([this] { return apply_zoom(state_.view, map_, drag_x0_, drag_y0_, drag_x1_, drag_y1_); });
}

// ---------------------------------------------------------------------------
// Key commands

void TFwave::FormKeyPress(char key) {
    change_view([this, key] { return apply_key(state_.view, key); });
}

void TFwave::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    for (const QChar c : text)
        if (c.unicode() < 128) FormKeyPress(static_cast<char>(c.unicode()));
}

}  // namespace zelvar
