// SPDX-License-Identifier: GPL-3.0-or-later
#include "fit/measured_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <exception>

#include "app/application_window.h"
#include "app/error_box_widget.h"
#include "app/faults.h"
#include "coil/windings.h"
#include "fit/primary_place.h"
#include "fit/resonance_chart.h"
#include "fit/resonance_chart_render.h"
#include "report/format.h"
#include "widgets/radio_group_widget.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {

namespace {

constexpr int kClientWidth = 940;
constexpr int kClientHeight = 506;
constexpr int kFieldLeft = 112;
constexpr int kFieldWidth = 97;

constexpr const char* kCaptions[fit::kMeasurements] = {"f1",         "f2",          "f3",           "Open, low",
                                                        "Open, high", "Shorted, low", "Shorted, high", "Extra coil"};

// The chart: the frequencies it shows, drawn by the renderer.
class ChartBox : public QWidget {
public:
    explicit ChartBox(QWidget* parent) : QWidget(parent) { setAutoFillBackground(false); }
    std::array<long double, fit::kMeasurements> design{}, measured{}, fitted{};

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setRenderHint(QPainter::Antialiasing);
        fit::draw_resonance_chart(painter, fit::resonance_chart(design, measured, fitted, width(), height()));
    }
};

}  // namespace

TFmeasured::TFmeasured(std::function<SimParams()> read_params, std::function<void(const SimParams&)> use_values,
                       QWidget* parent)
    : QWidget(parent, Qt::Window), read_params_(std::move(read_params)), use_values_(std::move(use_values)) {
    setObjectName("Fmeasured");
    setWindowTitle("Measured resonances");
    setFont(window_font());
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(kClientWidth, kClientHeight);

    make_label(this, "Lmeasured", "Measured (Hz, 0 = not measured):", 16, 8);
    for (int m = 0; m < fit::kMeasurements; ++m) {
        const std::string name = std::string("NE") + fit::measurement_name(m);
        const int top = 32 + 24 * m;
        QLabel* label = make_label(this, ("L" + name).c_str(), kCaptions[m], 16, top + 3);
        NEf[m] = make_field(this, name.c_str(), kFieldLeft, top, kFieldWidth, 21, "0", 0, 0, tipo_campo::real_field);
        label->setBuddy(NEf[m]);
    }
    QLabel* ulabel = make_label(this, "LNEuncertainty", "Uncertainty (%)", 16, 227);
    NEuncertainty = make_field(this, "NEuncertainty", kFieldLeft, 224, kFieldWidth, 21, "0.1", 0.1L, 0,
                               tipo_campo::real_field);
    ulabel->setBuddy(NEuncertainty);

    make_label(this, "Lunknowns", "Unknowns:", 16, 254);
    for (int u = 0; u < fit::kUnknowns; ++u) {
        CBunknown[u] = new QCheckBox(QString::fromLatin1(fit::unknown_name(u)), this);
        CBunknown[u]->setObjectName(QString("CB") + fit::unknown_name(u));
        CBunknown[u]->setGeometry(16 + 48 * (u % 4), 272 + 20 * (u / 4), 46, 17);
        CBunknown[u]->setChecked(fit::kDefaultUnknowns[u]);
    }

    RGknob = new TRadioGroup("Retune", {"L1 (the primary's tap)", "C1"}, this);
    RGknob->setObjectName("RGknob");
    RGknob->setGeometry(16, 316, 193, 61);
    RGknob->set_item_index(0);

    CBwindings = new QCheckBox("Primary tap and offset", this);
    CBwindings->setObjectName("CBwindings");
    CBwindings->setGeometry(16, 382, 193, 17);
    CBwindings->setToolTip("With the windings of the design (the default winding choices)");

    auto button = [&](QPushButton*& b, const char* name, const char* caption, int left, int top, int width) {
        b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setGeometry(left, top, width, 25);
        b->setAutoDefault(true);
    };
    button(Bfit, "Bfit", "&Fit", 16, 406, 81);
    button(Bcancel, "Bcancel", "Cancel", 128, 406, 81);
    button(Bbuilt, "Bbuilt", "Use as &built", 16, 438, 93);
    button(Bretune, "Bretune", "Use &retune", 116, 438, 93);
    Bcancel->setEnabled(false);
    Bbuilt->setEnabled(false);
    Bretune->setEnabled(false);
    connect(Bfit, &QPushButton::clicked, this, &TFmeasured::BfitClick);
    connect(Bcancel, &QPushButton::clicked, this, &TFmeasured::BcancelClick);
    connect(Bbuilt, &QPushButton::clicked, this, &TFmeasured::BbuiltClick);
    connect(Bretune, &QPushButton::clicked, this, &TFmeasured::BretuneClick);

    Lstatus = new QLabel(this);
    Lstatus->setObjectName("Lstatus");
    Lstatus->setGeometry(16, 470, 193, 32);
    Lstatus->setWordWrap(true);

    report = new QPlainTextEdit(this);
    report->setObjectName("report");
    report->setReadOnly(true);
    report->setFont(log_font());
    report->setLineWrapMode(QPlainTextEdit::NoWrap);
    report->setGeometry(224, 8, 708, 336);
    chart = new ChartBox(this);
    chart->setObjectName("chart");
    chart->setGeometry(224, 352, 708, 146);

    chain_tab_order({NEf[0], NEf[1], NEf[2], NEf[3], NEf[4], NEf[5], NEf[6], NEf[7], NEuncertainty, CBunknown[0],
                     CBunknown[1], CBunknown[2], CBunknown[3], CBunknown[4], CBunknown[5], CBunknown[6], RGknob, CBwindings, Bfit,
                     Bcancel, Bbuilt, Bretune, report});

    timer_ = new QTimer(this);
    timer_->setInterval(50);
    connect(timer_, &QTimer::timeout, this, &TFmeasured::show_progress);
}

TFmeasured::~TFmeasured() {
    control_.cancel = true;
    job_.join();
}

fit::FitInput TFmeasured::read_input() const {
    fit::FitInput in;
    for (int m = 0; m < fit::kMeasurements; ++m) in.measured[m] = NEf[m]->panel_real();
    const long double pct = NEuncertainty->panel_real();
    if (!(pct > 0 && pct < 100)) throw Error("The uncertainty (%) must lie above 0 and below 100");
    in.uncertainty.fill(pct / 100);
    for (int u = 0; u < fit::kUnknowns; ++u) in.unknowns[u] = CBunknown[u]->isChecked();
    return in;
}

void TFmeasured::BfitClick() {
    if (running()) return;
    run_guarded(this, [&] {
        // The snapshot the worker computes on.
        const fit::FitInput input = read_input();
        const SimParams params = read_params_();
        fit::RetuneSettings settings;
        settings.knob = RGknob->item_index() == 1 ? fit::PrimaryKnob::C1 : fit::PrimaryKnob::L1;
        control_.cancel = false;
        control_.runs = 0;
        const bool windings = CBwindings->isChecked();
        job_.start(
            this,
            [this, input, params, settings, windings] {
                pending_ = fit::analyse(params, input, settings, &control_);
                if (windings) fit::place_primary(pending_, coil::default_winding_choices());
            },
            [this] { finish(); });
        Bfit->setEnabled(false);
        Bcancel->setEnabled(true);
        Lstatus->setText("Fitting...");
        timer_->start();
    });
}

void TFmeasured::BcancelClick() {
    if (!running()) return;
    control_.cancel = true;
    Lstatus->setText("Cancelling...");
}

void TFmeasured::show_progress() {
    if (running()) Lstatus->setText(QString("Retune: %1 runs").arg(control_.runs.load()));
}

void TFmeasured::finish() {
    if (!job_.join()) return;
    timer_->stop();
    Bfit->setEnabled(true);
    Bcancel->setEnabled(false);
    run_guarded(this, [&] {
        if (job_.failed()) {
            Lstatus->setText("Not fitted.");
            throw Error(job_.failure());
        }
        outcome_ = std::move(pending_);
        LineCollector lines;
        fit::write_fit_report(*outcome_, lines);
        std::string text;
        for (const std::string& line : lines.lines) text += latin1_to_utf8(line) + "\n";
        report->setPlainText(QString::fromStdString(text));
        auto* box = static_cast<ChartBox*>(chart);
        box->design = fit::network_frequencies(outcome_->input.nominal);
        box->measured = outcome_->input.measured;
        box->fitted = outcome_->has_figures() ? outcome_->built.frequencies
                                              : std::array<long double, fit::kMeasurements>{};
        chart->update();
        const bool one = outcome_->has_figures();
        Bbuilt->setEnabled(one);
        Bretune->setEnabled(one);
        Lstatus->setText(one ? QString("Fitted; retune %1 %").arg(QString::fromStdString(
                                   F(outcome_->retune.best.efficiency, 0, 4)))
                             : QString("%1 solutions fit.").arg(outcome_->fit.solutions.size()));
    });
}

void TFmeasured::BbuiltClick() {
    run_guarded(this, [&] {
        if (!outcome_ || !outcome_->has_figures()) return;
        use_values_(fit::with_elements(outcome_->run, outcome_->fit.solutions[0].values));
    });
}

void TFmeasured::BretuneClick() {
    run_guarded(this, [&] {
        if (!outcome_ || !outcome_->has_figures()) return;
        const SimParams built = fit::with_elements(outcome_->run, outcome_->fit.solutions[0].values);
        use_values_(fit::with_retune(built, outcome_->retune.best));
    });
}

void TFmeasured::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
}

}  // namespace zelvar
