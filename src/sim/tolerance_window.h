// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TFtolerance: the "Tolerance analysis" window.  It takes the simulation
// parameter window's values when "Run" is pressed and runs the Monte Carlo
// and sensitivity analysis in the background; the progress bar moves,
// "Cancel" stops it and keeps the runs that finished.  At the end the summary
// goes to the report log, and the window shows the table of the statistics,
// the yield and the sensitivity, the histogram of the efficiency with the
// threshold, and the sensitivity bars; a warning when the nominal run's
// peak of v3 is at the end of the run.  Starting a run and a failed one
// clear what the window showed.  "Save" writes the runs (CSV) or the charts
// (PNG, SVG).  Closing the window (Escape) cancels a run in progress.
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "report/report_log.h"
#include "sim/sim_params.h"
#include "sim/tolerance.h"
#include "widgets/background_job_widget.h"

class QChartView;
class QCloseEvent;
class QLabel;
class QProgressBar;
class QResizeEvent;
class QTableWidget;
class QPushButton;
class QTimer;

namespace zelvar {

class TNEdit;
class TRadioGroup;

class TFtolerance : public QWidget {
    Q_OBJECT
public:
    // read_params: the parameter window's values at the moment of the call;
    // log: the program's report log.
    TFtolerance(std::function<SimParams()> read_params, ReportSink& log, QWidget* parent = nullptr);
    ~TFtolerance() override;

    // The settings as the fields hold them (stored values); raises
    // zelvar::Error when one is out of range.
    ToleranceSettings read_settings() const;

    bool running() const { return job_.running(); }
    // The last finished analysis (empty runs before the first).
    const ToleranceResult& result() const { return result_; }

    // Controls.
    TNEdit* NEtol[kToleranceElements];
    TNEdit *NEruns, *NEseed, *NEthreshold;
    TRadioGroup* RGdist;
    QPushButton *Brun, *Bcancel;
    QProgressBar* progress;
    QLabel* Lstatus;
    QChartView *histogram, *tornado;
    // After the window's own controls.
    QPushButton* Bsave;
    QLabel* Lwarning;  // the nominal run's warnings
    QTableWidget *Tstats, *Tsensitivity;
    QLabel* Lyield;

    // Writes the last analysis: ".csv" its runs, ".png" or ".svg" its two
    // charts; the file is announced in the report log.  Errors raise
    // zelvar::Error.
    void save_results(const QString& path);

public slots:
    void BrunClick();
    void BcancelClick();
    // Asks for the file and saves there.
    void BsaveClick();

protected:
    // Closing hides the window and cancels an analysis under way.
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Empties the table, the charts and the warning.
    void clear_results();
    void fill_table();
    // On the user-interface thread, once the worker has ended.
    void finish();
    void show_progress();
    void draw_charts(const ToleranceSettings& s);

    std::function<SimParams()> read_params_;
    ReportSink& log_;
    QTimer* timer_;

    // The analysis under way: its inputs, control and outputs belong to the
    // worker thread until it has ended.
    ToleranceSettings settings_;
    ToleranceControl control_;
    ToleranceResult pending_;
    LineCollector nominal_lines_;
    BackgroundJob job_;

    ToleranceResult result_;
};

}  // namespace zelvar
