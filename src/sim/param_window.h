#pragma once
// TFparam: the simulation parameter window.  Its numeric fields are the only
// store of the simulation inputs: the run and the plot read them, the design
// and the ideal magnifier write into them.
#include <QWidget>
#include <array>

#include "sim/sim_params.h"
#include "sim/sim_document.h"

class QCheckBox;
class QCloseEvent;
class QPushButton;

namespace zelvar {

class TNEdit;
class TRadioGroup;
class TFwave;
class TFresponse;

class TFparam : public QWidget {
    Q_OBJECT
public:
    explicit TFparam(SimDocument& state, QWidget* parent = nullptr);

    // "Plot" shows this window's waveform window (set once at start-up).
    void set_wave_window(TFwave* wave) { wave_ = wave; }

    // The stored values of every field that the run reads.
    SimParams read_params() const;
    // The eight scale factors in record order: vin, v1, v2, v3, vl, i1, i2, i3.
    std::array<long double, 8> read_scales() const;
    // "Save Ref." and "Delete Ref." follow the state's flags.
    void refresh_ref_buttons();

    // Controls, named as the window describes them.
    TNEdit *NEC1, *NEL1, *NER1, *NEC2, *NEL2, *NER2, *NEC3, *NEL3, *NER3, *NEk12;
    TNEdit *NECL, *NERL, *NEfin, *NEtmax, *NEstop, *NEopen, *NEvin, *NEstart, *NEVC10, *NEvmax;
    TNEdit *NEmvin, *NEv1, *NEv2, *NEv3, *NEv4, *NEi1, *NEi2, *NEi3;
    TNEdit *NEpontos, *NEsteps;
    TRadioGroup* RGstop;
    QCheckBox *CBsquare, *CBfb, *CBuse, *CBmaxima;
    QPushButton *Bsaveref, *Bdelref, *Breplot;
    // "Response...": the frequency response of the circuit (after the
    // window's own controls).
    QPushButton* Bresponse;
    // Its window, created by the first "Response..." (nullptr before).
    TFresponse* response_window() const { return response_; }

public slots:
    void BreplotClick();
    void BsaverefClick();
    void BdelrefClick();
    void NEC1Exit();
    // Computes the response of the circuit the fields describe and shows it.
    void BresponseClick();

protected:
    // Leaving a check box or the radio group counts as leaving a control.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closing only hides the window; its contents stay.
    void closeEvent(QCloseEvent* event) override;

private:
    SimDocument& state_;
    TFwave* wave_ = nullptr;
    TFresponse* response_ = nullptr;
};

}  // namespace zelvar
