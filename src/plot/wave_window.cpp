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
    drawing_fault_shown_ = false;
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
    drawing_fault_shown_ = false;  // a new picture
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
        // A repaint for the zoom rectangle shows the last drawing again.
        if (!outline_only_) {
            if (!run_if_dirty()) {
                fp_clear();
                last_drawing_ = QImage();
                return;
            }
            lay_out();
        }
        if (!last_drawing_.isNull()) painter.drawImage(0, 0, last_drawing_);
        draw_zoom_outline(painter);
    } catch (const std::exception& e) {
        report_error_later(e.what());
    }
    fp_clear();
}

// Draws the plot anew into the image of the last drawing.  A fault of the
// drawing stops it there (what was drawn is shown) and is reported once,
// after the paint; the dirty flag then stays set, and a plain repaint does
// not run the simulation again.
void TFwave::lay_out() {
    if (!state_.results_valid) {
        last_drawing_ = QImage();
        return;
    }
    PlotPicture picture;
    if (inputs_.scales) picture.scales = inputs_.scales();
    picture.size = PaintBox1->size();
    picture.font = PaintBox1->font();
    picture.samples = &state_.result.samples;
    picture.reference = state_.reference_present ? &state_.reference : nullptr;
    picture.view = state_.view;

    const qreal ratio = PaintBox1->devicePixelRatioF();
    QImage image(picture.size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    // The text is measured and drawn as on the paint box itself.
    image.setDotsPerMeterX(static_cast<int>(std::lround(PaintBox1->logicalDpiX() / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(PaintBox1->logicalDpiY() / 0.0254)));
    image.fill(Qt::transparent);
    PlotLayout layout;
    {
        QPainter p(&image);
        layout = render_plot(p, picture, &scratch_);
    }
    last_drawing_ = image;
    if (layout.mapped) {
        state_.view = layout.view;
        area_ = layout.area;
        map_ = layout.map;
    }
    drawn_ = layout.mapped;
    if (layout.fault.empty()) {
        state_.dirty = false;
        return;
    }
    if (state_.dirty) state_.run_blocked = true;
    if (!drawing_fault_shown_) {
        drawing_fault_shown_ = true;
        report_error_later(layout.fault);
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
        drawing_fault_shown_ = false;
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
