// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TFmeasured: the "Measured resonances" window.  The builder types the
// frequencies measured at the bench (0 = not measured) and ticks the
// unknowns; "Fit" takes the simulation parameter window's values as the
// design and runs the fit, the as-built figures and the retune in the
// background ("Cancel" ends the retune early, keeping its best point).  The
// report shows the built values beside the design's; the chart shows the
// design's, the measured and the fitted resonances on one frequency axis.
// "Use as built" puts the fitted elements into the parameter window, "Use
// retune" those with the retune's primary, k12, fin and stop time; both mark
// the run for recomputation.
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "fit/fit_report.h"
#include "sim/sim_params.h"
#include "widgets/background_job_widget.h"

class QCheckBox;
class QCloseEvent;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace zelvar {

class TNEdit;
class TRadioGroup;

class TFmeasured : public QWidget {
    Q_OBJECT
public:
    // read_params: the parameter window's values at the moment of the call;
    // use_values: writes a run's elements, fin and stop time into the
    // parameter window and marks the run for recomputation.
    TFmeasured(std::function<SimParams()> read_params, std::function<void(const SimParams&)> use_values,
               QWidget* parent = nullptr);
    ~TFmeasured() override;

    // The measurements, uncertainty and unknowns as the controls hold them.
    fit::FitInput read_input() const;

    bool running() const { return job_.running(); }
    // The last finished analysis (none before the first).
    const std::optional<fit::FitOutcome>& outcome() const { return outcome_; }

    // Controls.
    TNEdit* NEf[fit::kMeasurements];
    TNEdit* NEuncertainty;
    QCheckBox* CBunknown[fit::kUnknowns];
    TRadioGroup* RGknob;
    // The primary's tap and offset with the design's windings (the default
    // winding choices).
    QCheckBox* CBwindings;
    QPushButton *Bfit, *Bcancel, *Bbuilt, *Bretune;
    QLabel* Lstatus;
    QPlainTextEdit* report;
    QWidget* chart;

public slots:
    void BfitClick();
    void BcancelClick();
    void BbuiltClick();
    void BretuneClick();

protected:
    // Closing hides the window; a fit under way goes on.
    void closeEvent(QCloseEvent* event) override;

private:
    // On the user-interface thread, once the worker has ended.
    void finish();
    void show_progress();

    std::function<SimParams()> read_params_;
    std::function<void(const SimParams&)> use_values_;
    QTimer* timer_;

    // The analysis under way, owned by the worker until it has ended.
    fit::RetuneControl control_;
    fit::FitOutcome pending_;
    BackgroundJob job_;

    std::optional<fit::FitOutcome> outcome_;
};

}  // namespace zelvar
