#include "plot/wave_window.h"

#include <QClipboard>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>

#include "app/application_window.h"
#include "app/error_box_widget.h"
#include "app/faults.h"
#include "plot/picture_file_render.h"
#include "plot/view_samples.h"
#include "sim/sample_csv.h"
#include "sim/sim_run.h"
#include "widgets/file_dialog_widget.h"

namespace zelvar {

namespace {

// The window's only control: hands its paint and mouse events to the window.
class PaintBox : public QWidget {
public:
    explicit PaintBox(TFwave* owner) : QWidget(owner), owner_(owner) {
        setObjectName("PaintBox1");
        setFocusPolicy(Qt::NoFocus);
        setMouseTracking(true);  // moves without a button show the readout
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        owner_->PaintBox1Paint(painter);
    }
    void mousePressEvent(QMouseEvent* e) override {
        const QPoint p = e->position().toPoint();
        // Ctrl+click sets a marker and never starts a zoom.
        if (e->modifiers() & Qt::ControlModifier) {
            if (!owner_->dragging()) {
                owner_->PaintBox1CtrlClick(p.x(), p.y(), (e->modifiers() & Qt::ShiftModifier) != 0);
                return;
            }
        }
        owner_->PaintBox1MouseDown(p.x(), p.y());
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        const QPoint p = e->position().toPoint();
        if (owner_->dragging())
            owner_->PaintBox1MouseMove(p.x(), p.y());
        else if (e->buttons() == Qt::NoButton)
            owner_->PaintBox1MouseHover(p.x(), p.y(), (e->modifiers() & Qt::ShiftModifier) != 0);
    }
    void mouseReleaseEvent(QMouseEvent*) override { owner_->PaintBox1MouseUp(); }
    void leaveEvent(QEvent*) override { owner_->PaintBox1MouseLeave(); }

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
    setFont(plot_font());
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

// How far Shift looks for an extremum of v3, in pixels.
constexpr std::int32_t kSnapRadius = 6;

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
    // The markers and the cursor belong to the run before.
    marker_count_ = 0;
    hover_ = false;
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
        draw_markers(painter);
        draw_zoom_outline(painter);
        hover_region_ = QRegion(draw_readout(&painter));
    } catch (const std::exception& e) {
        report_error_later(e.what());
    }
    fp_clear();
}

// What the plot is drawn from now: the paint box, the stores, the view and
// the scale factors read from the parameter window.
PlotPicture TFwave::current_picture() {
    PlotPicture picture;
    if (inputs_.scales) picture.scales = inputs_.scales();
    picture.size = PaintBox1->size();
    picture.font = PaintBox1->font();
    picture.samples = &state_.result.samples;
    picture.reference = state_.reference_present ? &state_.reference : nullptr;
    picture.view = state_.view;
    return picture;
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
    const PlotPicture picture = current_picture();

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
    // A drag hides the readout.
    const QRegion readout = hover_ ? hover_region_ : QRegion();
    hover_ = false;
    dragging_ = true;
    drag_x0_ = x;
    drag_y0_ = y;
    drag_x1_ = x;
    drag_y1_ = y;
    QRegion region = outline_region(x, y, x, y) + readout;
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

void TFwave::WholeRunView() {
    change_view([this] {
        if (!state_.results_valid) return false;
        state_.view = state_.result.range;
        return true;
    });
}

void TFwave::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Save)) {
        FileSave();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        CopyPicture();
        return;
    }
    if ((event->modifiers() & Qt::ControlModifier) && event->key() == Qt::Key_0) {
        WholeRunView();
        return;
    }
    if ((event->modifiers() & Qt::ControlModifier) && (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
        CursorStep(event->key() == Qt::Key_Left ? -1 : 1);
        return;
    }
    const QString text = event->text();
    if (text.isEmpty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    for (const QChar c : text)
        if (c.unicode() < 128) FormKeyPress(static_cast<char>(c.unicode()));
}

// ---------------------------------------------------------------------------
// Readout and markers

// The readout needs a whole drawing of valid results with a time mapping.
bool TFwave::readout_possible() const {
    return drawn_ && state_.results_valid && !last_drawing_.isNull() && map_invertible(map_) &&
           state_.result.samples.count() > 0;
}

// The sample under pixel column x, or the extremum of v3 near it.
std::int32_t TFwave::sample_at(int x, bool snap) const {
    const SampleStore& s = state_.result.samples;
    if (snap) {
        const std::int32_t k = v3_extremum_near(s, map_, x, kSnapRadius);
        if (k >= 0) return k;
    }
    const std::int32_t k = nearest_sample(s, pixel_time(map_, x));
    fp_clear();
    return k;
}

// The pixel column of sample k; false when it lies outside the plot area.
bool TFwave::sample_pixel(std::int32_t k, std::int32_t& x) const {
    const long double v = map_.ax * state_.result.samples.time[k] + map_.bx;
    fp_clear();
    if (!std::isgreaterequal(v, static_cast<long double>(area_.x0)) ||
        !std::islessequal(v, static_cast<long double>(area_.x1)))
        return false;
    x = static_cast<std::int32_t>(std::lrintl(v));
    return true;
}

std::vector<ReadoutLine> TFwave::readout() const {
    if (!hover_ || !readout_possible()) return {};
    ReadoutInput in;
    in.samples = &state_.result.samples;
    in.sample = hover_sample_;
    in.reference = state_.reference_present ? &state_.reference : nullptr;
    in.markers[0] = markers_[0];
    in.markers[1] = markers_[1];
    in.marker_count = marker_count_;
    return readout_lines(in);
}

std::vector<std::int32_t> TFwave::markers() const {
    return std::vector<std::int32_t>(markers_, markers_ + marker_count_);
}

// Markers: dashed white lines across the plot area, "A" and "B" at the top.
void TFwave::draw_markers(QPainter& p) {
    if (marker_count_ == 0 || !readout_possible()) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setFont(PaintBox1->font());
    const QFontMetrics fm = p.fontMetrics();
    for (int m = 0; m < marker_count_; ++m) {
        std::int32_t x = 0;
        if (markers_[m] >= state_.result.samples.count() || !sample_pixel(markers_[m], x)) continue;
        p.setPen(QPen(Qt::white, 1, Qt::DashLine));
        p.drawLine(x, area_.y0, x, area_.y1);
        p.setPen(Qt::white);
        p.drawText(x + 3, area_.y0 + fm.ascent(), m == 0 ? QStringLiteral("A") : QStringLiteral("B"));
    }
    p.restore();
}

// The cursor and the readout box beside it, inside the window and never over
// the cursor.  Returns the pixels they cover (painter null: only measures).
QRect TFwave::draw_readout(QPainter* p) {
    if (!hover_ || !readout_possible()) return QRect();
    std::int32_t x = 0;
    if (hover_sample_ < 0 || hover_sample_ >= state_.result.samples.count() || !sample_pixel(hover_sample_, x))
        return QRect();
    const std::vector<ReadoutLine> lines = readout();
    const QFontMetrics fm(PaintBox1->font(), PaintBox1);
    const int th = fm.height();
    int w = 0;
    std::vector<QString> texts;
    for (const ReadoutLine& l : lines) {
        texts.push_back(QString::fromUtf8(l.text.c_str()));
        w = std::max(w, fm.horizontalAdvance(texts.back()));
    }
    w += 8;
    const int h = static_cast<int>(lines.size()) * th + 6;
    const int W = PaintBox1->width(), H = PaintBox1->height();
    int left = x + 6;
    if (left + w > W) left = x - 6 - w;
    if (left < 0) left = 0;
    int top = std::clamp(hover_y_ - h / 2, 0, std::max(0, H - h));
    const QRect box(left, top, w, h);
    const QRect cursor(x, area_.y0, 1, area_.y1 - area_.y0 + 1);
    if (p != nullptr) {
        p->save();
        p->setRenderHint(QPainter::Antialiasing, false);
        p->setPen(QPen(QColor(224, 224, 224), 1));
        p->drawLine(x, area_.y0, x, area_.y1);
        p->fillRect(box, Qt::black);
        p->setPen(QColor(128, 128, 128));
        p->drawRect(box.adjusted(0, 0, -1, -1));
        p->setFont(PaintBox1->font());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const int row = lines[i].row;
            p->setPen(row < 0 ? QColor(Qt::white)
                              : QColor(kChannelTable[row].red, kChannelTable[row].green, kChannelTable[row].blue));
            p->drawText(left + 4, top + 3 + static_cast<int>(i) * th + fm.ascent(), texts[i]);
        }
        p->restore();
    }
    return box.united(cursor);
}

void TFwave::repaint_overlay(const QRegion& region) {
    outline_only_ = true;
    PaintBox1->repaint(region);
    outline_only_ = false;
}

// Shows the readout at a sample (or hides it) and repaints what it covered
// and what it covers now, over the last drawing.
void TFwave::show_readout(bool on, std::int32_t sample, int y) {
    const QRegion old = hover_ ? hover_region_ : QRegion();
    hover_ = on;
    hover_sample_ = sample;
    hover_y_ = y;
    const QRegion now = QRegion(draw_readout(nullptr));
    if (old.isEmpty() && now.isEmpty()) return;
    repaint_overlay(old + now);
}

void TFwave::PaintBox1MouseHover(int x, int y, bool snap) {
    run_guarded(this, [&] {
        const bool inside = x >= area_.x0 && x <= area_.x1 && y >= area_.y0 && y <= area_.y1;
        if (!inside || !readout_possible()) {
            if (hover_) show_readout(false, -1, y);
            return;
        }
        show_readout(true, sample_at(x, snap), y);
    });
}

void TFwave::PaintBox1MouseLeave() {
    run_guarded(this, [&] {
        if (hover_) show_readout(false, -1, hover_y_);
    });
}

// Ctrl+click: marker A, then B, then a new A.
void TFwave::PaintBox1CtrlClick(int x, int y, bool snap) {
    run_guarded(this, [&] {
        if (!readout_possible()) return;
        const std::int32_t k = sample_at(x, snap);
        if (k < 0) return;
        if (marker_count_ == 2) marker_count_ = 0;
        markers_[marker_count_++] = k;
        if (marker_count_ == 1) markers_[1] = -1;
        hover_ = true;
        hover_sample_ = k;
        hover_y_ = y;
        repaint_overlay(QRegion(PaintBox1->rect()));
    });
}

// Ctrl+Left / Ctrl+Right: the cursor one sample back or on (from the first
// sample in view when there is no cursor yet), with the readout.
void TFwave::CursorStep(int step) {
    run_guarded(this, [&] {
        if (!readout_possible()) return;
        const std::int32_t n = state_.result.samples.count();
        std::int32_t k = hover_ ? hover_sample_ : -1;
        if (k < 0) {
            k = nearest_sample(state_.result.samples, state_.view.t0);
            fp_clear();
        } else {
            k = std::clamp(k + step, 0, n - 1);
        }
        show_readout(true, k, hover_ ? hover_y_ : area_.y0);
    });
}

// ---------------------------------------------------------------------------
// Pictures and samples out

QImage TFwave::picture() {
    if (!state_.results_valid) throw Error("No waveforms to save");
    return plot_image(current_picture(), PaintBox1->logicalDpiX(), PaintBox1->logicalDpiY());
}

void TFwave::save_view(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    const std::string name = path.toStdString();
    if (suffix == "csv") {
        // The samples inside the time window.
        if (!state_.results_valid) throw Error("No waveforms to save");
        const SampleStore inside =
            samples_in_view(state_.result.samples, state_.view.t0, state_.view.t1, state_.result.range.t1);
        write_sample_csv_file(name, inside);
        return;
    }
    if (!state_.results_valid) throw Error("No waveforms to save");
    if (suffix == "svg")
        save_plot_svg(name, current_picture());
    else
        save_plot_png(name, current_picture(), PaintBox1->logicalDpiX(), PaintBox1->logicalDpiY());
}

void TFwave::FileSave() {
    run_guarded(this, [&] {
        QString filter;
        QString path = choose_file_to_save(
            this, QStringLiteral("Save waveforms"), QString(),
            QStringLiteral("PNG picture (*.png);;SVG drawing (*.svg);;CSV samples (*.csv)"), &filter);
        if (path.isEmpty()) return;
        if (QFileInfo(path).suffix().isEmpty())
            path += filter.startsWith("SVG") ? ".svg" : filter.startsWith("CSV") ? ".csv" : ".png";
        save_view(path);
    });
}

void TFwave::CopyPicture() {
    run_guarded(this, [&] { QGuiApplication::clipboard()->setImage(picture()); });
}

}  // namespace zelvar
