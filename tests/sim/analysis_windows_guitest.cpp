// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis windows as a user finds them: the tolerance window's warning,
// table and charts, the response window's controls, the keys that close
// them, and the tooltips of every numeric field.
#include <gtest/gtest.h>

#include <QAbstractFileIconProvider>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QTimer>
#include <fstream>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>

#include <cmath>
#include <sstream>

#include "../app/gui_helpers_guitest.h"
#include "../app/scratch_dir.h"
#include "../design/default_design_report.h"
#include "design/mode_explorer.h"
#include "design/modes_window.h"
#include "report/format.h"
#include "sim/default_design_circuit.h"
#include "sim/peak_edge.h"
#include "sim/response_plot.h"
#include "sim/response_window.h"
#include "sim/tolerance_window.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {
namespace {

class AnalysisWindows : public guitest::ProgramWindows {
protected:
    void set_circuit(const SimParams& c) {
        write_element_fields(*p, {c.C1, c.C2, c.C3, c.L1, c.L2, c.L3, c.k12});
        p->NEfin->set_panel_real(c.fin);
    }
    bool run_tolerance(TFtolerance* t) {
        click_through_window(t->Brun);
        QElapsedTimer clock;
        clock.start();
        while (t->running() && clock.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return !t->running();
    }
    static int series(QChartView* v) { return static_cast<int>(v->chart()->series().size()); }
};

SimParams mode_circuit(std::int32_t k, std::int32_t l, std::int32_t m, std::int32_t n) {
    const DesignInputs in;
    const ModeRow r = design_mode(in, k, l, m, n);
    SimParams p;
    p.C1 = in.C1, p.L1 = r.L1, p.C2 = r.C2, p.L2 = r.L2, p.C3 = in.C3, p.L3 = in.L3, p.k12 = r.k12, p.fin = r.fin;
    return p;
}

QStringList words(const QString& line) { return line.split(' ', Qt::SkipEmptyParts); }

TEST_F(AnalysisWindows, ToleranceWarnsOfACutPeakShowsTheReportsFiguresAndClearsOnStartAndFailure) {
    TFtolerance* t = windows->Ftolerance;
    set_circuit(mode_circuit(1, 19, 20, 21));
    ASSERT_TRUE(activate(t));
    retype(t->NEruns, "12");
    ASSERT_TRUE(run_tolerance(t));
    EXPECT_EQ(t->Lwarning->text(), kPeakAtEndWarning);
    EXPECT_TRUE(log_lines().contains(kPeakAtEndWarning));

    // Driven on, 1:19:20:21 still gathers energy at 30 us; at 40 us its
    // peak (about 33.5 us) lies well inside the run.
    p->NEtmax->set_panel_real(4e-5L);
    const int before = log_lines().size();
    ASSERT_TRUE(run_tolerance(t));
    EXPECT_EQ(t->Lwarning->text(), "");
    const QStringList lines = log_lines().mid(before);
    EXPECT_FALSE(lines.contains(kPeakAtEndWarning));
    // Each statistics row of the table is its report line, word for word.
    ASSERT_EQ(t->Tstats->rowCount(), 4);
    for (int r = 0; r < 4; ++r) {
        const QString name = t->Tstats->item(r, 0)->text();
        const auto line = std::find_if(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(name); });
        ASSERT_NE(line, lines.end()) << name.toStdString();
        const QStringList figures = words(line->mid(name.size()));
        ASSERT_EQ(figures.size(), 7);
        for (int c = 0; c < 7; ++c) EXPECT_EQ(t->Tstats->item(r, c + 1)->text(), figures[c]);
    }
    EXPECT_TRUE(lines.contains(t->Lyield->text()));
    // The sensitivity rows: the element, its two efficiencies and changes.
    const ToleranceResult& res = t->result();
    ASSERT_EQ(t->Tsensitivity->rowCount(), static_cast<int>(res.sensitivity.size()));
    for (int r = 0; r < t->Tsensitivity->rowCount(); ++r) {
        const QString element = t->Tsensitivity->item(r, 0)->text();
        const auto line = std::find_if(lines.begin(), lines.end(), [&](const QString& l) {
            return l.startsWith(element + " ") && l.contains(" %: ");
        });
        ASSERT_NE(line, lines.end());
        for (int c : {2, 3, 4, 5}) EXPECT_TRUE(line->contains(t->Tsensitivity->item(r, c)->text())) << c;
    }
    // The threshold line is on the histogram when it is near the runs.
    EXPECT_GE(series(t->histogram), 1);
    EXPECT_GE(series(t->tornado), 1);

    // Saved: the runs as `tolerance --csv` writes them, the charts as a picture.
    {
        testdata::ScratchDir dir("zelvar-tolerance-save");
        t->save_results("runs.csv");
        std::ostringstream csv;
        write_tolerance_csv(csv, res);
        QFile file("runs.csv");
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll().toStdString(), csv.str());
        EXPECT_EQ(report().last(), "Tolerance runs saved in file runs.csv");
        t->save_results("charts.png");
        EXPECT_FALSE(QImage("charts.png").isNull());
        EXPECT_EQ(report().last(), "Picture saved in file charts.png");
    }

    // A new run clears what the last one showed; a failure leaves it clear.
    retype(t->NEruns, "200000");
    click_through_window(t->Brun);
    ASSERT_TRUE(t->running());
    EXPECT_EQ(series(t->histogram), 0);
    EXPECT_EQ(series(t->tornado), 0);
    EXPECT_EQ(t->Tstats->rowCount(), 0);
    // Escape closes the window and cancels the run.
    QTest::keyClick(t, Qt::Key_Escape);
    EXPECT_FALSE(t->isVisible());
    QElapsedTimer clock;
    clock.start();
    while (t->running() && clock.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(t->running());
    EXPECT_TRUE(t->result().cancelled);

    BoxCatcher boxes;
    ASSERT_TRUE(activate(t));
    retype(t->NEruns, "12");
    ASSERT_TRUE(run_tolerance(t));
    ASSERT_GE(series(t->histogram), 1);
    p->NEC1->set_panel_real(0);
    ASSERT_TRUE(run_tolerance(t));
    ASSERT_TRUE(boxes.wait_for(1));
    EXPECT_EQ(series(t->histogram), 0);
    EXPECT_EQ(series(t->tornado), 0);
    EXPECT_EQ(t->Tsensitivity->rowCount(), 0);
    EXPECT_FALSE(t->Bsave->isEnabled());
}

TEST_F(AnalysisWindows, ResponseWindowRangeTableFinZoomFollowAndErrors) {
    testdata::ScratchDir dir("zelvar-response-controls");
    SimParams c = default_design_circuit();
    c.R1 = 0.5L, c.R2 = 20, c.R3 = 40;
    set_circuit(c);
    for (auto [field, value] : {std::pair<TNEdit*, long double>{p->NER1, c.R1}, {p->NER2, c.R2}, {p->NER3, c.R3}})
        field->set_panel_real(value);
    ASSERT_TRUE(activate(p));
    click_through_window(p->Bresponse);
    TFresponse* w = p->response_window();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(activate(w));

    // The range fields.
    retype(w->NEfrom, "100000");
    retype(w->NEto, "800000");
    retype(w->NEpoints, "301");
    QTest::keyClick(w->NEpoints, Qt::Key_Return);
    SimParams now = p->read_params();
    std::vector<ResponsePoint> expected = frequency_response(now, {100000, 800000, 301});
    ASSERT_EQ(w->plot->curve().size(), 301u);
    for (std::size_t i = 0; i < expected.size(); i += 50) {
        EXPECT_EQ(w->plot->curve()[i].f, expected[i].f);
        EXPECT_EQ(w->plot->curve()[i].v3_db, expected[i].v3_db);
    }
    // The natural frequencies with decay and Q, and the response at fin.
    const std::vector<NaturalFrequency> naturals = natural_frequencies(circuit_poles(now));
    ASSERT_EQ(w->Tnatural->rowCount(), static_cast<int>(naturals.size()));
    for (int j = 0; j < w->Tnatural->rowCount(); ++j) {
        EXPECT_EQ(w->Tnatural->item(j, 1)->text().toStdString(), F(naturals[j].f, 1, 9));
        EXPECT_EQ(w->Tnatural->item(j, 2)->text(), QString::fromStdString(E(naturals[j].decay, 16)).trimmed());
        const long double q = w->Tnatural->item(j, 3)->text().toDouble();
        // Q = pi f / decay for a lightly damped pole.
        EXPECT_NEAR(static_cast<double>(q / (3.14159265358979L * naturals[j].f / naturals[j].decay)), 1, 1e-3);
    }
    const ResponsePoint at_fin = response_at(now, now.fin);
    EXPECT_TRUE(w->Lfin->text().contains(QString::fromStdString(F(at_fin.v3_db, 1, 6)) + " dB"))
        << w->Lfin->text().toStdString();

    // A drag zooms into the frequencies under it; Ctrl+0 shows all again.
    ASSERT_TRUE(activate(w));
    const int x0 = static_cast<int>(w->plot->x_of(200000)), x1 = static_cast<int>(w->plot->x_of(400000));
    QTest::mousePress(w->plot, Qt::LeftButton, Qt::NoModifier, QPoint(x0, 120));
    QTest::mouseMove(w->plot, QPoint(x1, 120));
    QTest::mouseRelease(w->plot, Qt::LeftButton, Qt::NoModifier, QPoint(x1, 120));
    EXPECT_NEAR(static_cast<double>(w->plot->view().from), 200000, 2000);
    EXPECT_NEAR(static_cast<double>(w->plot->view().to), 400000, 4000);
    EXPECT_NEAR(w->plot->x_of(400000) - w->plot->x_of(200000), w->plot->layout().width, 3);
    QTest::keyClick(w, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(w->plot->view().from, 0);
    EXPECT_EQ(w->plot->layout().f_lo, 100000);

    // It follows the parameter window: a new R1 is a new curve.
    p->NER1->setText("3");
    ASSERT_TRUE(p->NER1->leave());  // as leaving the field does
    QTest::qWait(20);
    now = p->read_params();
    ASSERT_EQ(now.R1, 3);
    expected = frequency_response(now, {100000, 800000, 301});
    ASSERT_EQ(w->plot->curve().size(), 301u);
    EXPECT_EQ(w->plot->curve()[150].v3_db, expected[150].v3_db);

    // Saved as `response --csv` writes it, and announced.
    w->save_response("curve.csv");
    std::ostringstream csv;
    write_response_csv(csv, expected);
    QFile file("curve.csv");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), csv.str());
    EXPECT_EQ(report().last(), "Response saved in file curve.csv");

    // An error replaces the curve.
    p->NEC1->set_panel_real(0);
    QTest::qWait(20);
    EXPECT_TRUE(w->plot->curve().empty());
    EXPECT_EQ(w->Tnatural->rowCount(), 0);
    EXPECT_FALSE(w->Lerror->text().isEmpty());
    ASSERT_TRUE(activate(w));
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
}

TEST_F(AnalysisWindows, EveryNumericFieldOfEveryWindowNamesItsUnit) {
    // The windows that open later too.
    d->BmodesClick();
    set_circuit(default_design_circuit());
    p->BresponseClick();
    ASSERT_NE(p->response_window(), nullptr);
    ASSERT_NE(d->modes_window(), nullptr);
    const QRegularExpression unit(QString::fromUtf8("Unit: (F|H|\u03a9|Hz|s|V|%|m|none) "));
    int fields = 0;
    for (QWidget* w : {static_cast<QWidget*>(d), static_cast<QWidget*>(p), static_cast<QWidget*>(m),
                       static_cast<QWidget*>(windows->Ftolerance), static_cast<QWidget*>(p->response_window()),
                       static_cast<QWidget*>(d->modes_window())})
        for (TNEdit* f : w->findChildren<TNEdit*>()) {
            ++fields;
            EXPECT_TRUE(unit.match(f->toolTip()).hasMatch())
                << w->objectName().toStdString() << "/" << f->objectName().toStdString() << ": "
                << f->toolTip().toStdString();
        }
    EXPECT_GE(fields, 9 + 30 + 7 + 11 + 1 + 3);
    d->modes_window()->close();
}

TEST_F(AnalysisWindows, LoadingIsAnnouncedAndTheDialogReadsNoFileToNameItsEntries) {
    testdata::ScratchDir dir("zelvar-load-values");
    std::ofstream("v.val", std::ios::binary) << testdata::default_value_file();
    EXPECT_FALSE(p->isVisible());
    p->load_values("v.val");
    EXPECT_EQ(report().last(), "Values loaded from file v.val");
    EXPECT_TRUE(p->isVisible());

    // Load Values' dialog (Ctrl+L): Qt's own, links unresolved, entries named by kind.
    bool native = true, resolves = true;
    QString kmsg;
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
        resolves = !dialog->testOption(QFileDialog::DontResolveSymlinks);
        kmsg = dialog->iconProvider()->type(QFileInfo("/proc/kmsg"));
        dialog->reject();
    });
    const int lines = log_lines().size();
    ASSERT_TRUE(activate(d));
    QTest::keyClick(d, Qt::Key_L, Qt::ControlModifier);
    EXPECT_FALSE(native);
    EXPECT_FALSE(resolves);
    EXPECT_EQ(kmsg, "File");
    EXPECT_EQ(log_lines().size(), lines);  // cancelled: nothing loaded, nothing said
}

}  // namespace
}  // namespace zelvar
