// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/tolerance_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPainter>
#include <QResizeEvent>
#include <QShortcut>
#include <QTableWidget>
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
#include <sstream>

#include "app/application_window.h"
#include "app/atomic_file.h"
#include "app/error_box_widget.h"
#include "app/faults.h"
#include "plot/painting_file_render.h"
#include "report/format.h"
#include "sim/peak_edge.h"
#include "sim/tolerance_chart.h"
#include "widgets/file_dialog_widget.h"
#include "widgets/radio_group_widget.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {

namespace {

constexpr int kClientWidth = 1180;
constexpr int kClientHeight = 660;
// The right-hand part: charts side by side, the tables under them.
constexpr int kRightLeft = 224;
constexpr int kChartHeight = 300;
constexpr int kStatsHeight = 124;
constexpr int kFieldLeft = 112;
constexpr int kFieldWidth = 97;

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

// The selected cells (every cell when none is selected) under the heads of
// their columns, tab-separated, one line per row.
QString table_text(const QTableWidget* t) {
    const QList<QTableWidgetSelectionRange> ranges = t->selectedRanges();
    const auto chosen = [&](int r, int c) {
        if (ranges.isEmpty()) return true;
        for (const QTableWidgetSelectionRange& g : ranges)
            if (r >= g.topRow() && r <= g.bottomRow() && c >= g.leftColumn() && c <= g.rightColumn()) return true;
        return false;
    };
    QList<int> columns;
    for (int c = 0; c < t->columnCount(); ++c)
        for (int r = 0; r < t->rowCount(); ++r)
            if (chosen(r, c)) {
                columns << c;
                break;
            }
    QStringList lines, cells;
    for (const int c : columns) cells << (t->horizontalHeaderItem(c) ? t->horizontalHeaderItem(c)->text() : QString());
    lines << cells.join('\t');
    for (int r = 0; r < t->rowCount(); ++r) {
        cells.clear();
        bool any = false;
        for (const int c : columns) {
            const bool in = chosen(r, c) && t->item(r, c) != nullptr;
            any = any || in;
            cells << (in ? t->item(r, c)->text() : QString());
        }
        if (any) lines << cells.join('\t');
    }
    return lines.join('\n') + '\n';
}

// Ctrl+C copies table_text().
class CopyTable : public QTableWidget {
public:
    using QTableWidget::QTableWidget;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Copy)) {
            QGuiApplication::clipboard()->setText(table_text(this));
            return;
        }
        QTableWidget::keyPressEvent(event);
    }
};

QTableWidget* table(QWidget* parent, const char* name) {
    auto* t = new CopyTable(parent);
    t->setObjectName(name);
    t->verticalHeader()->setVisible(false);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionMode(QAbstractItemView::ExtendedSelection);
    t->setFocusPolicy(Qt::ClickFocus);
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
    return t;
}

void fill(QTableWidget* t, const std::vector<std::string>& head, const std::vector<std::vector<std::string>>& rows) {
    t->clear();
    t->setColumnCount(static_cast<int>(head.size()));
    QStringList heads;
    for (const std::string& h : head) heads << QString::fromLatin1(h.c_str());
    t->setHorizontalHeaderLabels(heads);
    t->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < static_cast<int>(rows[r].size()); ++c) {
            auto* item = new QTableWidgetItem(QString::fromLatin1(rows[r][c].c_str()));
            item->setTextAlignment((c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
            t->setItem(r, c, item);
        }
    t->resizeColumnsToContents();
}

// A fresh chart in place of the old one (its title and margins kept): axes
// removed from a chart that stays can leave their labels on the scene.
void clear_chart(QChartView* view) {
    QChart* old = view->chart();
    auto* chart = new QChart();
    chart->setTitle(old->title());
    chart->setMargins(old->margins());
    chart->legend()->hide();
    view->setChart(chart);
    delete old;
}

QValueAxis* value_axis(const ChartAxis& a, const QString& title) {
    auto* axis = new QValueAxis();
    axis->setRange(static_cast<double>(a.lo), static_cast<double>(a.hi));
    axis->setTickCount(a.intervals + 1);
    axis->setLabelFormat(QString("%.%1f").arg(a.decimals));
    axis->setTitleText(title);
    return axis;
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

    histogram = chart_view(this, "histogram", "Efficiency (%) of the Monte Carlo runs", QRect(224, 8, 380, 300));
    tornado = chart_view(this, "tornado", "Change of the efficiency (%), one element at a time",
                         QRect(612, 8, 380, 300));

    chain_tab_order({NEtol[0], NEtol[1], NEtol[2], NEtol[3], NEtol[4], NEtol[5], NEtol[6], NEtol[7], NEruns, NEseed,
                     NEthreshold, RGdist, Brun, Bcancel});

    // After the window's own controls: Save, the warning, the tables.
    Bsave = new QPushButton("Save...", this);
    Bsave->setObjectName("Bsave");
    Bsave->setGeometry(16, 474, 81, 25);
    Bsave->setAutoDefault(true);
    Bsave->setEnabled(false);
    connect(Bsave, &QPushButton::clicked, this, &TFtolerance::BsaveClick);
    Lwarning = new QLabel(this);
    Lwarning->setObjectName("Lwarning");
    Lwarning->setGeometry(16, 506, 193, 70);
    Lwarning->setWordWrap(true);
    Lwarning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Lwarning->setStyleSheet("color: #b00000;");
    Tstats = table(this, "Tstats");
    Lyield = new QLabel(this);
    Lyield->setObjectName("Lyield");
    Lyield->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Tsensitivity = table(this, "Tsensitivity");
    QWidget::setTabOrder(Bcancel, Bsave);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    setMinimumSize(kClientWidth, kClientHeight);
    resizeEvent(nullptr);

    timer_ = new QTimer(this);
    timer_->setInterval(50);
    connect(timer_, &QTimer::timeout, this, &TFtolerance::show_progress);
}

void TFtolerance::resizeEvent(QResizeEvent*) {
    const int w = std::max(kClientWidth, width()) - kRightLeft - 8;
    const int extra = std::max(0, height() - kClientHeight);
    const int chart_h = kChartHeight + extra / 2;
    const int half = (w - 8) / 2;
    histogram->setGeometry(kRightLeft, 8, half, chart_h);
    tornado->setGeometry(kRightLeft + half + 8, 8, w - half - 8, chart_h);
    int top = 8 + chart_h + 8;
    Tstats->setGeometry(kRightLeft, top, w, kStatsHeight);
    top += kStatsHeight + 2;
    Lyield->setGeometry(kRightLeft, top, w, 18);
    top += 20;
    Tsensitivity->setGeometry(kRightLeft, top, w, std::max(60, height() - top - 8));
}

void TFtolerance::clear_results() {
    clear_chart(histogram);
    clear_chart(tornado);
    Tstats->clear();
    Tstats->setRowCount(0);
    Tstats->setColumnCount(0);
    Tsensitivity->clear();
    Tsensitivity->setRowCount(0);
    Tsensitivity->setColumnCount(0);
    Lyield->clear();
    Lwarning->clear();
    Bsave->setEnabled(false);
}

void TFtolerance::fill_table() {
    const ToleranceTable t = tolerance_table(result_, settings_);
    fill(Tstats, t.stats_head, t.stats);
    Lyield->setText(QString::fromLatin1(t.yield.c_str()));
    fill(Tsensitivity, t.sensitivity_head, t.sensitivity);
}

TFtolerance::~TFtolerance() {
    control_.cancel = true;
    job_.join();
}

ToleranceSettings TFtolerance::read_settings() const {
    ToleranceSettings s;
    for (int e = 0; e < kToleranceElements; ++e) s.tol[e] = NEtol[e]->panel_real();
    s.runs = NEruns->panel_int();
    s.seed = tolerance_seed(NEseed->panel_int());
    s.threshold = NEthreshold->panel_real();
    s.dist = RGdist->item_index() == 1 ? Distribution::gauss : Distribution::uniform;
    s.threads = 0;  // every core
    check_tolerance_settings(s);
    return s;
}

void TFtolerance::BrunClick() {
    if (running()) return;
    run_guarded(this, [&] {
        const FpEnvironment fp_environment;  // no flag left by other code on this thread counts
        settings_ = read_settings();
        const SimParams params = read_params_();  // the snapshot the analysis works on
        control_.cancel = false;
        control_.done = 0;
        control_.total = 1;
        pending_ = ToleranceResult{};
        nominal_lines_.lines.clear();
        job_.start(
            this,
            [this, params] {
                ToleranceOutput output;
                // The window keeps the finished runs (only those): its histogram and
                // its Save of the runs read them; they go with the next analysis.
                output.keep_runs = true;
                pending_ = run_tolerance_analysis(params, settings_, nominal_lines_, &control_, output);
            },
            [this] { finish(); });
        clear_results();
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
    if (!job_.join()) return;
    timer_->stop();
    show_progress();
    Brun->setEnabled(true);
    Bcancel->setEnabled(false);
    const bool shown = run_guarded(this, [&] {
        // The report's own arithmetic: a flag left pending on this thread by
        // something else (a file dialog) is none of the analysis's faults.
        const FpEnvironment fp_environment;
        // The nominal run's own lines first (its stop or its maxima report).
        for (const std::string& line : nominal_lines_.lines) report_line(log_, line);
        if (job_.failed()) {
            result_ = ToleranceResult{};
            clear_results();
            Lstatus->setText("Failed.");
            throw Error(job_.failure());
        }
        result_ = std::move(pending_);
        if (result_.nominal.status != RunStatus::completed) {
            clear_results();
            Lstatus->setText("The nominal run stopped.");
            return;
        }
        if (result_.nominal.figures.peak_at_edge) Lwarning->setText(QString::fromLatin1(kPeakAtEndWarning));
        write_tolerance_report(result_, settings_, log_);
        const ToleranceSummary sum = summarize(result_, settings_.threshold);
        Lstatus->setText(QString("%1 of %2 runs%3; yield %4 %")
                             .arg(sum.finished)
                             .arg(settings_.runs)
                             .arg(result_.cancelled ? " (cancelled)" : "")
                             .arg(QString::fromStdString(F(sum.yield, 0, 2))));
        fill_table();
        draw_charts(settings_);
        Bsave->setEnabled(true);
    });
    if (!shown) Lstatus->setText("Failed.");  // never "Running..." after the end
}

void TFtolerance::draw_charts(const ToleranceSettings& s) {
    // Histogram of the efficiency over the completed runs, whole counts on
    // round axes, the threshold as a line.
    clear_chart(histogram);
    clear_chart(tornado);
    QChart* h = histogram->chart();
    const HistogramChart hist = efficiency_histogram(result_, s.threshold);
    if (!hist.counts.empty()) {
        auto* upper = new QLineSeries();
        for (std::size_t b = 0; b < hist.counts.size(); ++b) {
            const double a = static_cast<double>(hist.x.lo + hist.bin_width * static_cast<long double>(b));
            const double z = static_cast<double>(hist.x.lo + hist.bin_width * static_cast<long double>(b + 1));
            upper->append(a, hist.counts[b]);
            upper->append(z, hist.counts[b]);
        }
        auto* area = new QAreaSeries(upper);
        area->setName("Runs");
        area->setColor(QColor(70, 110, 180));
        area->setBorderColor(QColor(30, 50, 110));
        h->addSeries(area);
        const QString threshold = QString::fromStdString(F(s.threshold, 0, 2));
        const QString where = hist.threshold_on_axis ? QString()
                              : hist.threshold < hist.x.lo ? QString(" (below)")
                                                           : QString(" (above)");
        QValueAxis* x = value_axis(hist.x, QString("Efficiency (%); threshold ") + threshold + " %" + where);
        QValueAxis* y = value_axis(hist.y, "Runs");
        h->addAxis(x, Qt::AlignBottom);
        h->addAxis(y, Qt::AlignLeft);
        area->attachAxis(x);
        area->attachAxis(y);
        if (hist.threshold_on_axis) {
            auto* line = new QLineSeries();
            line->setObjectName("threshold");
            line->setName("Threshold");
            line->append(static_cast<double>(hist.threshold), 0);
            line->append(static_cast<double>(hist.threshold), static_cast<double>(hist.y.hi));
            line->setPen(QPen(QColor(200, 0, 0), 2, Qt::DashLine));
            h->addSeries(line);
            line->attachAxis(x);
            line->attachAxis(y);
        }
    }

    // Sensitivity: the change at -tol and at +tol, the largest on top.
    QChart* t = tornado->chart();
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
    if (!(extent > 0) || !std::isfinite(extent)) extent = 1;
    QValueAxis* values = value_axis(round_axis(-extent, extent, 8), "Efficiency minus nominal (%)");
    t->addAxis(categories, Qt::AlignLeft);
    t->addAxis(values, Qt::AlignBottom);
    bars->attachAxis(categories);
    bars->attachAxis(values);
}

void TFtolerance::closeEvent(QCloseEvent* event) {
    // No analysis goes on unseen.
    BcancelClick();
    hide();
    event->accept();
}

void TFtolerance::save_results(const QString& path) {
    if (result_.nominal.status != RunStatus::completed) throw Error("No analysis to save");
    const std::string name = QFile::encodeName(path).toStdString();
    const std::string shown = path.toLatin1().toStdString();
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "csv") {
        std::ostringstream text;
        write_tolerance_csv(text, result_);
        try {
            write_file_atomically(name, text.str());
        } catch (const FileError& e) {
            throw Error("CSV file " + name + " cannot be written: " + e.what());
        }
        report_line(log_, "Tolerance runs saved in file " + shown);
        return;
    }
    const QSize size(histogram->width() + 8 + tornado->width(), std::max(histogram->height(), tornado->height()));
    save_painting(name, size, [&](QPainter& p) {
        histogram->render(&p, QRectF(0, 0, histogram->width(), histogram->height()));
        tornado->render(&p, QRectF(histogram->width() + 8, 0, tornado->width(), tornado->height()));
    });
    report_line(log_, "Picture saved in file " + shown);
}

void TFtolerance::BsaveClick() {
    run_guarded(this, [&] {
        QString filter;
        QString path = choose_file_to_save(this, QStringLiteral("Save the tolerance analysis"), QString(),
                                           QStringLiteral("CSV runs (*.csv);;PNG picture (*.png);;SVG drawing (*.svg)"),
                                           &filter);
        if (path.isEmpty()) return;
        if (QFileInfo(path).suffix().isEmpty())
            path += filter.startsWith("PNG") ? ".png" : filter.startsWith("SVG") ? ".svg" : ".csv";
        save_results(path);
    });
}

}  // namespace zelvar
