// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/tolerance_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtCharts/QAreaSeries>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QHorizontalBarSeries>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>
#include <exception>

#include "app/application_window.h"
#include "app/error_box_widget.h"
#include "app/faults.h"
#include "report/format.h"
#include "widgets/radio_group_widget.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {

namespace {

constexpr int kClientWidth = 760;
constexpr int kClientHeight = 560;
constexpr int kFieldLeft = 112;
constexpr int kFieldWidth = 97;
constexpr int kBins = 20;

constexpr tipo_campo R = tipo_campo::real_field;
constexpr tipo_campo N = tipo_campo::int_field;

TNEdit* field(QWidget* parent, const char* name, const char* caption, int top, const char* text,
              long double real_value, std::int32_t int_value, tipo_campo kind) {
    QLabel* label = make_label(parent, (std::string("L") + name).c_str(), caption, 16, top + 3);
    TNEdit* f = make_field(parent, name, kFieldLeft, top, kFieldWidth, 21, text, real_value, int_value, kind);
    label->setBuddy(f);
    return f;
}

QChartView* chart_view(QWidget* parent, const char* name, const QString& title, const QRect& place) {
    auto* chart = new QChart();
    chart->setTitle(title);
    chart->setMargins(QMargins(4, 2, 4, 2));
    chart->legend()->hide();
    auto* view = new QChartView(chart, parent);
    view->setObjectName(name);
    view->setRenderHint(QPainter::Antialiasing);
    view->setGeometry(place);
    return view;
}

}  // namespace

TFtolerance::TFtolerance(std::function<SimParams()> read_params, ReportSink& log, QWidget* parent)
    : QWidget(parent), read_params_(std::move(read_params)), log_(log) {
    setObjectName("Ftolerance");
    setWindowTitle("Tolerance analysis");
    setFont(window_font());
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(kClientWidth, kClientHeight);
    // Centred on the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - kClientWidth) / 2, area.top() + (area.height() - kClientHeight) / 2);
    }

    make_label(this, "Ltolerances", "Tolerances (%):", 16, 8);
    const ToleranceSettings defaults;
    for (int e = 0; e < kToleranceElements; ++e) {
        const std::string name = std::string("NEtol") + tolerance_element_name(e);
        NEtol[e] = field(this, name.c_str(), tolerance_element_name(e), 32 + 24 * e, e == kTolFin ? "0" : "1",
                         defaults.tol[e], 0, R);
    }
    NEruns = field(this, "NEruns", "Runs", 232, "1000", 0, defaults.runs, N);
    NEseed = field(this, "NEseed", "Seed", 256, "1", 0, static_cast<std::int32_t>(defaults.seed), N);
    NEthreshold = field(this, "NEthreshold", "Threshold (%)", 280, "90", defaults.threshold, 0, R);

    RGdist = new TRadioGroup("Distribution", {"Uniform", "Gaussian (sigma = tol/3)"}, this);
    RGdist->setObjectName("RGdist");
    RGdist->setGeometry(16, 308, 193, 61);
    RGdist->set_item_index(0);

    Brun = new QPushButton("Run", this);
    Brun->setObjectName("Brun");
    Brun->setGeometry(16, 380, 81, 25);
    Brun->setAutoDefault(true);
    Bcancel = new QPushButton("Cancel", this);
    Bcancel->setObjectName("Bcancel");
    Bcancel->setGeometry(128, 380, 81, 25);
    Bcancel->setAutoDefault(true);
    Bcancel->setEnabled(false);
    connect(Brun, &QPushButton::clicked, this, &TFtolerance::BrunClick);
    connect(Bcancel, &QPushButton::clicked, this, &TFtolerance::BcancelClick);

    progress = new QProgressBar(this);
    progress->setObjectName("progress");
    progress->setGeometry(16, 414, 193, 17);
    progress->setRange(0, 1);
    progress->setValue(0);
    Lstatus = new QLabel(this);
    Lstatus->setObjectName("Lstatus");
    Lstatus->setGeometry(16, 438, 193, 28);
    Lstatus->setWordWrap(true);

    histogram = chart_view(this, "histogram", "Efficiency (%) of the Monte Carlo runs", QRect(224, 8, 528, 268));
    tornado = chart_view(this, "tornado", "Change of the efficiency (%), one element at a time",
                         QRect(224, 284, 528, 268));

    chain_tab_order({NEtol[0], NEtol[1], NEtol[2], NEtol[3], NEtol[4], NEtol[5], NEtol[6], NEtol[7], NEruns, NEseed,
                     NEthreshold, RGdist, Brun, Bcancel});

    timer_ = new QTimer(this);
    timer_->setInterval(50);
    connect(timer_, &QTimer::timeout, this, &TFtolerance::show_progress);
}

TFtolerance::~TFtolerance() {
    if (worker_.joinable()) {
        control_.cancel = true;
        worker_.join();
    }
}

ToleranceSettings TFtolerance::read_settings() const {
    ToleranceSettings s;
    for (int e = 0; e < kToleranceElements; ++e) s.tol[e] = NEtol[e]->panel_real();
    s.runs = NEruns->panel_int();
    s.seed = static_cast<std::uint32_t>(NEseed->panel_int());
    s.threshold = NEthreshold->panel_real();
    s.dist = RGdist->item_index() == 1 ? Distribution::gauss : Distribution::uniform;
    s.threads = 0;  // every core
    check_tolerance_settings(s);
    return s;
}

void TFtolerance::BrunClick() {
    if (running()) return;
    run_guarded(this, [&] {
        settings_ = read_settings();
        const SimParams params = read_params_();  // the snapshot the analysis works on
        control_.cancel = false;
        control_.done = 0;
        control_.total = 1;
        pending_ = ToleranceResult{};
        nominal_lines_.lines.clear();
        failed_ = false;
        failure_.clear();
        worker_ = std::thread([this, params] {
            try {
                pending_ = run_tolerance_analysis(params, settings_, nominal_lines_, &control_);
            } catch (const std::exception& e) {
                failed_ = true;
                failure_ = e.what();
            } catch (...) {
                failed_ = true;
                failure_ = "Unknown error";
            }
            QMetaObject::invokeMethod(this, [this] { finish(); }, Qt::QueuedConnection);
        });
        Brun->setEnabled(false);
        Bcancel->setEnabled(true);
        Lstatus->setText("Running...");
        progress->setRange(0, 1);
        progress->setValue(0);
        timer_->start();
    });
}

void TFtolerance::BcancelClick() {
    if (!running()) return;
    control_.cancel = true;
    Lstatus->setText("Cancelling...");
}

void TFtolerance::show_progress() {
    const int total = std::max(1, static_cast<int>(control_.total.load()));
    progress->setRange(0, total);
    progress->setValue(std::min(total, static_cast<int>(control_.done.load())));
}

void TFtolerance::finish() {
    if (!worker_.joinable()) return;
    worker_.join();
    timer_->stop();
    show_progress();
    Brun->setEnabled(true);
    Bcancel->setEnabled(false);
    run_guarded(this, [&] {
        // The nominal run's own lines first (its stop or its maxima report).
        for (const std::string& line : nominal_lines_.lines) report_line(log_, line);
        if (failed_) {
            Lstatus->setText("Failed.");
            throw Error(failure_);
        }
        result_ = std::move(pending_);
        if (result_.nominal.status != RunStatus::completed) {
            Lstatus->setText("The nominal run stopped.");
            return;
        }
        write_tolerance_report(result_, settings_, log_);
        const ToleranceSummary sum = summarize(result_, settings_.threshold);
        Lstatus->setText(QString("%1 of %2 runs%3; yield %4 %")
                             .arg(sum.finished)
                             .arg(settings_.runs)
                             .arg(result_.cancelled ? " (cancelled)" : "")
                             .arg(QString::fromStdString(F(sum.yield, 0, 2))));
        draw_charts(settings_);
    });
}

void TFtolerance::draw_charts(const ToleranceSettings& s) {
    // Histogram of the efficiency over the completed runs.
    QChart* h = histogram->chart();
    h->removeAllSeries();
    for (QAbstractAxis* axis : h->axes()) h->removeAxis(axis);
    std::vector<double> eff;
    for (const RunRecord& rec : result_.runs)
        if (rec.status == RunStatus::completed) eff.push_back(static_cast<double>(rec.figures.efficiency));
    if (!eff.empty()) {
        const auto [lo_it, hi_it] = std::minmax_element(eff.begin(), eff.end());
        double lo = *lo_it, hi = *hi_it;
        if (!(hi > lo)) {
            lo -= 0.5;
            hi += 0.5;
        }
        const double width = (hi - lo) / kBins;
        int counts[kBins] = {};
        for (double x : eff) ++counts[std::clamp(static_cast<int>((x - lo) / width), 0, kBins - 1)];
        auto* upper = new QLineSeries();
        int top = 0;
        for (int b = 0; b < kBins; ++b) {
            upper->append(lo + b * width, counts[b]);
            upper->append(lo + (b + 1) * width, counts[b]);
            top = std::max(top, counts[b]);
        }
        auto* area = new QAreaSeries(upper);
        area->setColor(QColor(70, 110, 180));
        area->setBorderColor(QColor(30, 50, 110));
        h->addSeries(area);
        auto* x = new QValueAxis();
        x->setRange(lo, hi);
        x->setLabelFormat("%.3f");
        x->setTitleText(QString("Efficiency (%); threshold %1 %").arg(QString::fromStdString(F(s.threshold, 0, 2))));
        auto* y = new QValueAxis();
        y->setRange(0, top + 1);
        y->setLabelFormat("%d");
        y->setTitleText("Runs");
        h->addAxis(x, Qt::AlignBottom);
        h->addAxis(y, Qt::AlignLeft);
        area->attachAxis(x);
        area->attachAxis(y);
    }

    // Sensitivity: the change at -tol and at +tol, the largest on top.
    QChart* t = tornado->chart();
    t->removeAllSeries();
    for (QAbstractAxis* axis : t->axes()) t->removeAxis(axis);
    if (result_.sensitivity.empty()) return;
    auto* low = new QBarSet("-tol");
    auto* high = new QBarSet("+tol");
    QStringList names;
    double extent = 0;
    for (auto row = result_.sensitivity.rbegin(); row != result_.sensitivity.rend(); ++row) {
        const double a = row->low.status == RunStatus::completed ? static_cast<double>(row->change_low) : 0;
        const double b = row->high.status == RunStatus::completed ? static_cast<double>(row->change_high) : 0;
        *low << a;
        *high << b;
        extent = std::max({extent, std::fabs(a), std::fabs(b)});
        names << QString::fromLatin1(tolerance_element_name(row->element));
    }
    auto* bars = new QHorizontalBarSeries();
    bars->append(low);
    bars->append(high);
    t->addSeries(bars);
    t->legend()->show();
    bars->setBarWidth(0.8);
    auto* categories = new QBarCategoryAxis();
    categories->append(names);
    QFont small = categories->labelsFont();
    small.setPointSize(8);
    categories->setLabelsFont(small);
    auto* values = new QValueAxis();
    if (!(extent > 0)) extent = 1;
    values->setRange(-extent * 1.05, extent * 1.05);
    values->setTitleText("Efficiency minus nominal (%)");
    t->addAxis(categories, Qt::AlignLeft);
    t->addAxis(values, Qt::AlignBottom);
    bars->attachAxis(categories);
    bars->attachAxis(values);
}

void TFtolerance::closeEvent(QCloseEvent* event) {
    hide();
    event->accept();
}

}  // namespace zelvar
