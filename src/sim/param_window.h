#pragma once
// TFparam: the simulation parameter window.  Its numeric fields are the only
// store of the simulation inputs: the run and the plot read them, the design
// and the ideal magnifier write into them.
#include <QWidget>
#include <array>
#include <string>

#include "report/report_log.h"
#include "sim/sim_params.h"
#include "sim/sim_document.h"

class QCheckBox;
class QCloseEvent;
class QPushButton;

namespace zelvar {

class TNEdit;
class TRadioGroup;
class TFwave;
class TFtolerance;

// Asks for a value file to load (a file dialog owned by `parent`); empty
// when the user cancels.
std::string ask_for_value_file(QWidget* parent);
class TFresponse;
class TFmeasured;

class TFparam : public QWidget {
    Q_OBJECT
public:
    explicit TFparam(SimDocument& state, QWidget* parent = nullptr);

    // "Plot" shows this window's waveform window (set once at start-up).
    void set_wave_window(TFwave* wave) { wave_ = wave; }
    // "Tolerance..." shows the tolerance analysis window (set once at start-up).
    void set_tolerance_window(TFtolerance* tolerance) { tolerance_ = tolerance; }
    // The report log, where loading values and the response window's files
    // are announced (set once at start-up).
    void set_report_log(ReportSink* log) { log_ = log; }

    // The stored values of every field that the run reads.
    SimParams read_params() const;
    // The eight scale factors in record order: vin, v1, v2, v3, vl, i1, i2, i3.
    std::array<long double, 8> read_scales() const;
    // "Save Ref." and "Delete Ref." follow the state's flags.
    void refresh_ref_buttons();

    // Reads a value file written by a design into NEC1, NEC2, NEC3, NEL1,
    // NEL2, NEL3, NEk12 and NEfin through the real-value setter (the order
    // of a design's hand-over), marks the run for recomputation, emits
    // values_loaded, writes "Values loaded from file X" to the report log and
    // shows this window.  A file that is refused (its message names the file
    // and the line) raises zelvar::Error and changes no field.
    void load_values(const std::string& path);
    // Asks for a value file and loads it; an error shows the error box.
    void choose_and_load_values();

    // Controls, named as the window describes them.
    TNEdit *NEC1, *NEL1, *NER1, *NEC2, *NEL2, *NER2, *NEC3, *NEL3, *NER3, *NEk12;
    TNEdit *NECL, *NERL, *NEfin, *NEtmax, *NEstop, *NEopen, *NEvin, *NEstart, *NEVC10, *NEvmax;
    TNEdit *NEmvin, *NEv1, *NEv2, *NEv3, *NEv4, *NEi1, *NEi2, *NEi3;
    TNEdit *NEpontos, *NEsteps;
    TRadioGroup* RGstop;
    QCheckBox *CBsquare, *CBfb, *CBuse, *CBmaxima;
    QPushButton *Bsaveref, *Bdelref, *Breplot;
    // Below "Plot"; outside the tab chain, reached by Ctrl+T.
    QPushButton* Btolerance;
    // "Load values…": out of the Tab chain (reached by the mouse, and by
    // Ctrl+O in the design window).
    QPushButton* Bload;
    // "Response...": the frequency response of the circuit (after the
    // window's own controls).
    QPushButton* Bresponse;
    // Its window, created by the first "Response..." (nullptr before).
    TFresponse* response_window() const { return response_; }
    // "Measured...": the "Measured resonances" window (after the window's
    // own controls, out of the Tab chain; Alt+M).
    QPushButton* Bmeasured;
    // Its window, created by the first "Measured..." (nullptr before).
    TFmeasured* measured_window() const { return measured_; }
    // Writes C1, L1, C2, L2, C3, L3, k12, fin and the stop time of p into
    // their fields and marks the run for recomputation ("Use as built",
    // "Use retune").
    void use_values(const SimParams& p);

signals:
    // Values from a file are in the fields, as after a design run.
    void values_loaded();
    // A numeric field stored a value (typed and accepted, or written by a
    // design or a file): the response window follows.
    void inputs_changed();

public slots:
    void BreplotClick();
    void BsaverefClick();
    void BdelrefClick();
    void NEC1Exit();
    void BtoleranceClick();
    // Computes the response of the circuit the fields describe and shows it.
    void BresponseClick();
    void BmeasuredClick();

protected:
    // Leaving a check box or the radio group counts as leaving a control.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closing only hides the window; its contents stay.
    void closeEvent(QCloseEvent* event) override;

private:
    SimDocument& state_;
    TFwave* wave_ = nullptr;
    TFtolerance* tolerance_ = nullptr;
    TFresponse* response_ = nullptr;
    TFmeasured* measured_ = nullptr;
    ReportSink* log_ = nullptr;
};

}  // namespace zelvar
