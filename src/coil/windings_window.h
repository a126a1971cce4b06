// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TFwindings: the "Windings" window.  It turns the element values of the
// simulation parameter window (C1, L1, C2, L2, C3, L3, k12, fin) into the
// coil set a builder winds, with the builder's choices in numeric fields
// and radio groups; it shows the winding sheet as text and the coil set as
// a to-scale cross-section, and solves again whenever a field is accepted
// or an option changes.  A solve that fails leaves no sheet and says why in
// the status line.
//
// "Use losses" writes the sheet's R1, R2 and R3 into the parameter window
// and marks the run for recomputation; "Save sheet…" writes the sheet's
// text and its drawing (SVG and PNG, beside the text) and announces them in
// the report log.
#include <QImage>
#include <QWidget>
#include <optional>
#include <string>

#include "coil/cross_section.h"
#include "coil/windings.h"
#include "report/report_log.h"
#include "sim/sim_document.h"

class QCloseEvent;
class QLabel;
class QPaintEvent;
class QPlainTextEdit;
class QPushButton;

namespace zelvar {

class TNEdit;
class TRadioGroup;
class TFparam;

// The paint box of the cross-section: the renderer's picture of the sheet at
// the box's size, white while there is no sheet.
class TWindingsDrawing : public QWidget {
public:
    explicit TWindingsDrawing(QWidget* parent = nullptr);
    void set_sheet(const coil::WindingSheet* sheet);
    // The drawing at the box's size and resolution (what the box shows).
    QImage picture() const;
    coil::CrossSection geometry() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const coil::WindingSheet* sheet_ = nullptr;
};

class TFwindings : public QWidget {
    Q_OBJECT
public:
    // param: where the targets come from and the losses go; state: its run's
    // dirty flag; log: the program's report log.
    TFwindings(TFparam& param, SimDocument& state, ReportSink& log, QWidget* parent = nullptr);

    // Solves for the parameter window's current values and shows the window.
    void open();

    // The targets as the parameter window holds them, and the choices as
    // the fields and options hold them.
    coil::WindingTargets read_targets() const;
    coil::WindingChoices read_choices() const;

    // The last solve's sheet (none after a refusal).
    const std::optional<coil::WindingSheet>& sheet() const { return sheet_; }

    // Writes the sheet's text as `base`.txt (UTF-8), its drawing as
    // `base`.svg and `base`.png at the drawing's size, where `base` is `path`
    // without a .txt, .svg or .png ending; each file is written whole or not
    // at all and announced in the report log.  Errors raise zelvar::Error.
    void save_sheet(const std::string& path);

    // Controls.
    TNEdit *NEsecdiameter, *NEsecwire, *NEsecpitch;
    TNEdit *NEextdiameter, *NEextwire, *NEextpitch;
    TNEdit *NEpridiameter, *NEpriconductor, *NEpripitch;
    TNEdit* NEtopratio;
    TRadioGroup *RGshape, *RGtop;
    QPlainTextEdit* Msheet;
    TWindingsDrawing* PBdrawing;
    QLabel* Lstatus;
    QPushButton *Buselosses, *Bsave;

public slots:
    // Solves again from the fields and the parameter window.
    void solve();
    void BuselossesClick();
    void BsaveClick();

protected:
    // Closing only hides the window.
    void closeEvent(QCloseEvent* event) override;

private:
    void show_sheet();

    TFparam& param_;
    SimDocument& state_;
    ReportSink& log_;
    std::optional<coil::WindingSheet> sheet_;
};

}  // namespace zelvar
