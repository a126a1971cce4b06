#include "sim/response_window.h"

#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <exception>
#include <sstream>

#include "app/atomic_file.h"
#include "app/error_box_widget.h"
#include "app/faults.h"
#include "plot/painting_file_render.h"
#include "report/format.h"
#include "sim/response_render.h"
#include "widgets/file_dialog_widget.h"
#include "widgets/field_tooltip_widget.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {

namespace {

// The window computes on its own thread of events: a range of at most this
// many points keeps it responsive (the command line takes more).
constexpr std::int32_t kWindowPoints = 100000;
constexpr int kPanelWidth = 384;  // the controls right of the plot
constexpr int kReadoutHeight = 30;

// F(x; 1, d) for a finite x, "inf" or "-inf" otherwise.
QString fixed(long double x, int decimals) {
    if (std::isinf(x)) return x < 0 ? "-inf" : "inf";
    return QString::fromStdString(F(x, 1, decimals));
}

QString trimmed(const std::string& text) { return QString::fromStdString(text).trimmed(); }

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
    message_ = "No response computed.";
    cursor_ = -1;
    layout_valid_ = false;
    update();
}

void ResponsePlot::set_message(const std::string& message) {
    curve_.clear();
    resonances_.clear();
    message_ = message;
    cursor_ = -1;
    view_ = ResponseView{};
    layout_valid_ = false;
    update();
}

void ResponsePlot::set_view(const ResponseView& view) {
    view_ = view;
    cursor_ = -1;
    layout_valid_ = false;
    update();
    emit pointed(-1);
}

const ResponseLayout& ResponsePlot::layout() const {
    if (!layout_valid_ || layout_size_ != size()) {
        layout_ = layout_response(curve_, resonances_, fin_, width(), height(), view_, message_);
        fp_clear();  // the layout's own arithmetic (logarithms of the ends) is no fault of anything later
        layout_size_ = size();
        layout_valid_ = true;
    }
    return layout_;
}

double ResponsePlot::x_of(long double f) const {
    const ResponseLayout& l = layout();
    if (!l.drawn) return static_cast<double>(l.left);
    return static_cast<double>(response_x(l, f));
}

int ResponsePlot::index_at(double x) const { return response_index_at(layout(), curve_, x); }

void ResponsePlot::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !layout().drawn) return;
    dragging_ = true;
    drag_x0_ = drag_x1_ = event->position().x();
}

void ResponsePlot::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        drag_x1_ = event->position().x();
        update();
        return;
    }
    const int index = index_at(event->position().x());
    if (index != cursor_) {
        cursor_ = index;
        update();
        emit pointed(index);
    }
}

void ResponsePlot::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) return;
    dragging_ = false;
    drag_x1_ = event->position().x();
    ResponseView zoomed = view_;
    if (response_zoom(layout(), drag_x0_, drag_x1_, zoomed))
        set_view(zoomed);
    else
        update();
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
    const long double cursor = cursor_ >= 0 && cursor_ < static_cast<int>(curve_.size()) ? x_of(curve_[cursor_].f) : -1;
    render_response(painter, layout(), width(), height(), dragging_ ? -1 : cursor,
                    dragging_ ? std::min(drag_x0_, drag_x1_) : 0, dragging_ ? std::max(drag_x0_, drag_x1_) : 0);
}

TFresponse::TFresponse(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("Fresponse");
    setWindowTitle("Frequency response");
    resize(1170, 680);
    setMinimumSize(760, 560);
    setAttribute(Qt::WA_QuitOnClose, false);
    plot = new ResponsePlot(this);
    plot->setObjectName("plot");
    readout = new QLabel(this);
    readout->setObjectName("readout");
    readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(plot, &ResponsePlot::pointed, this, [this](int index) { readout->setText(readout_text(index)); });

    const auto field = [this](const char* name, const char* caption, int top, const char* text, long double real,
                              std::int32_t integer, tipo_campo kind) {
        auto* label = new QLabel(QString::fromLatin1(caption), this);
        label->setObjectName(QString("L") + name);
        TNEdit* f = make_field(this, name, 0, top, 121, 21, text, real, integer, kind);
        label->setBuddy(f);
        connect(f, &TNEdit::exited, this, &TFresponse::refresh);
        connect(f, &QLineEdit::returnPressed, this, [f] { f->leave(); });
        return f;
    };
    NEfrom = field("NEfrom", "From (Hz)", 8, "0", 0, 0, tipo_campo::real_field);
    NEto = field("NEto", "To (Hz)", 32, "0", 0, 0, tipo_campo::real_field);
    NEpoints = field("NEpoints", "Points", 56, "2000", 0, 2000, tipo_campo::int_field);
    Bsave = new QPushButton("Save...", this);
    Bsave->setObjectName("Bsave");
    Bsave->setEnabled(false);
    connect(Bsave, &QPushButton::clicked, this, &TFresponse::BsaveClick);
    auto* heading = new QLabel("Natural frequencies:", this);
    heading->setObjectName("Lnatural");
    Tnatural = new QTableWidget(this);
    Tnatural->setObjectName("Tnatural");
    Tnatural->setColumnCount(4);
    Tnatural->setHorizontalHeaderLabels({"", "f (Hz)", "Decay (1/s)", "Q"});
    Tnatural->verticalHeader()->setVisible(false);
    Tnatural->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Tnatural->verticalHeader()->setDefaultSectionSize(Tnatural->fontMetrics().height() + 6);
    Lfin = new QLabel(this);
    Lfin->setObjectName("Lfin");
    Lrange = new QLabel(this);
    Lrange->setObjectName("Lrange");
    Lerror = new QLabel(this);
    Lerror->setObjectName("Lerror");
    Lerror->setStyleSheet("color: #b00000;");
    for (QLabel* l : {Lfin, Lrange, Lerror}) {
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    QWidget::setTabOrder(NEfrom, NEto);
    QWidget::setTabOrder(NEto, NEpoints);
    QWidget::setTabOrder(NEpoints, Bsave);
    QWidget::setTabOrder(Bsave, Tnatural);

    auto* whole = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_0), this);
    connect(whole, &QShortcut::activated, plot, &ResponsePlot::whole_curve);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    refresh_timer_ = new QTimer(this);
    refresh_timer_->setSingleShot(true);
    refresh_timer_->setInterval(0);
    connect(refresh_timer_, &QTimer::timeout, this, &TFresponse::refresh);
    resizeEvent(nullptr);
    apply_field_tooltips(this);
}

void TFresponse::set_inputs(std::function<SimParams()> read_params, ReportSink* log) {
    read_params_ = std::move(read_params);
    log_ = log;
}

void TFresponse::resizeEvent(QResizeEvent*) {
    const int right = std::max(0, width() - kPanelWidth);
    plot->setGeometry(0, 0, right, std::max(60, height() - kReadoutHeight));
    readout->setGeometry(8, height() - kReadoutHeight + 4, std::max(10, width() - 16), 20);
    const int x = right + 4, w = kPanelWidth - 12;
    for (const auto& [name, field] :
         {std::pair<const char*, TNEdit*>{"LNEfrom", NEfrom}, {"LNEto", NEto}, {"LNEpoints", NEpoints}}) {
        findChild<QLabel*>(name)->setGeometry(x, field->y(), 76, 21);
        field->move(x + 80, field->y());
    }
    Bsave->setGeometry(x, 86, 81, 25);
    findChild<QLabel*>("Lnatural")->setGeometry(x, 120, w, 16);
    Tnatural->setGeometry(x, 138, w, 150);
    Lfin->setGeometry(x, 296, w, 64);
    Lrange->setGeometry(x, 364, w, 48);
    Lerror->setGeometry(x, 416, w, std::max(20, height() - kReadoutHeight - 420));
}

ResponseRange TFresponse::range_for(const std::vector<NaturalFrequency>& naturals) const {
    ResponseRange range;
    range.from = NEfrom->panel_real();
    range.to = NEto->panel_real();
    range.points = NEpoints->panel_int();
    if (range.points < 2 || range.points > kWindowPoints)
        throw Error("The number of points must be between 2 and " + I(kWindowPoints));
    if (range.from == 0 || range.to == 0) {
        const ResponseRange around = default_range(naturals);
        if (range.from == 0) range.from = around.from;
        if (range.to == 0) range.to = around.to;
    }
    return range;
}

void TFresponse::show_error(const std::string& message) {
    plot->set_message(message + ".");
    naturals_.clear();
    Tnatural->setRowCount(0);
    Lfin->clear();
    Lrange->clear();
    Lerror->setText(QString::fromStdString(message + "."));
    readout->clear();
    Bsave->setEnabled(false);
}

void TFresponse::show_response(const SimParams& p) {
    try {
        check_response_circuit(p);  // |k12| >= 1 or fin <= 0 has no response
        std::vector<NaturalFrequency> naturals = natural_frequencies(circuit_poles(p));
        const ResponseRange range = range_for(naturals);
        std::vector<ResponsePoint> curve = frequency_response(p, range);
        std::vector<NaturalFrequency> marks = lossless_resonances(p);
        ResponsePoint at_fin;
        const bool fin_ok = p.fin > 0;
        if (fin_ok) at_fin = response_at(p, p.fin);
        fp_clear();  // the infinities of a zero response are shown as such

        naturals_ = std::move(naturals);
        const ResponseView view = plot->view();
        const bool same_range = !plot->curve().empty() && plot->curve().front().f == curve.front().f &&
                                plot->curve().back().f == curve.back().f;
        plot->set_curve(std::move(curve), std::move(marks), p.fin);
        if (same_range) plot->set_view(view);  // new inputs keep the zoom
        Tnatural->setRowCount(static_cast<int>(naturals_.size()));
        for (int j = 0; j < static_cast<int>(naturals_.size()); ++j) {
            const NaturalFrequency& n = naturals_[j];
            const long double q = quality_factor(n);
            fp_clear();
            const QString cells[4] = {QString("f%1").arg(j + 1), trimmed(F(n.f, 14, 9)), trimmed(E(n.decay, 16)),
                                      std::isinf(q) ? QString("inf") : trimmed(E(q, 12))};
            for (int c = 0; c < 4; ++c) {
                auto* item = new QTableWidgetItem(cells[c]);
                item->setTextAlignment((c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
                Tnatural->setItem(j, c, item);
            }
        }
        Tnatural->resizeColumnsToContents();
        if (fin_ok)
            Lfin->setText(QString::fromUtf8("At fin = %1 Hz: |V3/Vin| %2 dB, |Zin| %3 \u03a9, phase %4\u00b0")
                              .arg(trimmed(F(p.fin, 14, 6)), trimmed(F(at_fin.v3_db, 12, 6)),
                                   trimmed(E(at_fin.zin_ohm, 16)), trimmed(F(at_fin.zin_deg, 10, 4))));
        else
            Lfin->setText("No response at fin: fin is not above 0 Hz.");
        Lrange->setText(QString("%1 points from %2 Hz to %3 Hz")
                            .arg(range.points)
                            .arg(trimmed(F(range.from, 14, 6)), trimmed(F(range.to, 14, 6))));
        Lerror->clear();
        Bsave->setEnabled(true);
        resonance_text_ = "Resonances without losses:";
        for (std::size_t j = 0; j < plot->resonances().size(); ++j)
            resonance_text_ += QString(" f%1 = %2 Hz").arg(j + 1).arg(fixed(plot->resonances()[j].f, 3));
        readout->setText(resonance_text_);
    } catch (const std::exception& e) {
        show_error(e.what());
        throw;
    }
}

void TFresponse::inputs_changed() {
    if (isVisible() && read_params_) refresh_timer_->start();
}

void TFresponse::refresh() {
    if (!read_params_) return;
    try {
        show_response(read_params_());
    } catch (const std::exception&) {
        // Shown in the window in place of the curve.
    }
    fp_clear();
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

void TFresponse::save_response(const QString& path) {
    if (plot->curve().empty()) throw Error("No response to save");
    const std::string name = QFile::encodeName(path).toStdString();
    const std::string shown = path.toLatin1().toStdString();
    if (QFileInfo(path).suffix().toLower() == "csv") {
        std::ostringstream text;
        write_response_csv(text, plot->curve());
        try {
            write_file_atomically(name, text.str());
        } catch (const FileError& e) {
            throw Error("CSV file " + name + " cannot be written: " + e.what());
        }
        const std::string line = "Response saved in file " + shown;
        if (log_ != nullptr) report_line(*log_, line);
        readout->setText(QString::fromLatin1(line.c_str()));
    } else {
        const ResponseLayout& l = plot->layout();
        const int w = plot->width(), h = plot->height();
        save_painting(name, plot->size(), [&](QPainter& p) { render_response(p, l, w, h); });
        const std::string line = "Picture saved in file " + shown;
        if (log_ != nullptr) report_line(*log_, line);
        readout->setText(QString::fromLatin1(line.c_str()));
    }
}

void TFresponse::BsaveClick() {
    run_guarded(this, [&] {
        QString filter;
        QString path = choose_file_to_save(this, QStringLiteral("Save the response"), QString(),
                                           QStringLiteral("CSV curve (*.csv);;PNG picture (*.png);;SVG drawing (*.svg)"),
                                           &filter);
        if (path.isEmpty()) return;
        if (QFileInfo(path).suffix().isEmpty())
            path += filter.startsWith("PNG") ? ".png" : filter.startsWith("SVG") ? ".svg" : ".csv";
        save_response(path);
    });
}

}  // namespace zelvar
