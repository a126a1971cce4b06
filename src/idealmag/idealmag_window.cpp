// SPDX-License-Identifier: GPL-3.0-or-later
#include "idealmag/idealmag_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHideEvent>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QShowEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "app/application_window.h"
#include "app/error_box_widget.h"
#include "design/design_window.h"
#include "idealmag/magnifier.h"
#include "sim/param_window.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {

namespace {

constexpr int kClientWidth = 345;
constexpr int kClientHeight = 166;
constexpr int kOuterWidth = 361;
constexpr int kOuterHeight = 204;

// A field from the window's description (121 x 21).
TNEdit* field(QWidget* parent, const char* name, int left, int top, const char* text, long double real_value,
              std::int32_t int_value, tipo_campo kind) {
    return make_field(parent, name, left, top, 121, 21, text, real_value, int_value, kind);
}

}  // namespace

TFidealmag::TFidealmag(QWidget* parent) : QWidget(parent) {
    setObjectName("Fidealmag");
    setWindowTitle("Ideal Magnifier Design");
    setFont(window_font());
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(kClientWidth, kClientHeight);
    // Centred on the screen by the outer size of the window's description
    // (361 x 204) until it is first shown, then by its real outer size.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - kOuterWidth) / 2, area.top() + (area.height() - kOuterHeight) / 2);
    }

    make_label(this, "LabelMode", "Mode:", 16, 8);
    make_label(this, "LabelElements", "Elements:", 176, 8);
    QFont bold_italic = window_font();
    bold_italic.setBold(true);
    bold_italic.setItalic(true);
    for (QLabel* l : {make_label(this, "Labelk", "k", 16, 40), make_label(this, "Labell", "l", 16, 64),
                      make_label(this, "Labelm", "m", 16, 88)}) {
        l->setFont(bold_italic);
        l->adjustSize();
    }
    make_label(this, "LabelC1", "C1", 176, 40);
    make_label(this, "LabelL3", "L3", 176, 64);
    make_label(this, "LabelC3", "C3", 176, 88);
    make_label(this, "LabelVC1", "-VC1(0)", 160, 112);

    constexpr tipo_campo R = tipo_campo::real_field;
    constexpr tipo_campo N = tipo_campo::int_field;
    NEk = field(this, "NEk", 40, 32, "1", 0, 1, N);
    NEl = field(this, "NEl", 40, 56, "2", 0, 2, N);
    NEm = field(this, "NEm", 40, 80, "3", 0, 3, N);
    NEC1 = field(this, "NEC1", 200, 32, "5E-9", 5e-9L, 0, R);
    NEL3 = field(this, "NEL3", 200, 56, "0.0282", 0.0282L, 0, R);
    NEC3 = field(this, "NEC3", 200, 80, "1.5E-11", 1.5e-11L, 0, R);
    NEVC1 = field(this, "NEVC1", 200, 104, "5000", 5000, 0, R);

    Bapply = new QPushButton("Apply", this);
    Bapply->setObjectName("Bapply");
    Bapply->setGeometry(16, 112, 75, 25);
    Bapply->setAutoDefault(true);  // Enter presses it when it has the focus
    CBupdate = new QCheckBox("Update elements", this);
    CBupdate->setObjectName("CBupdate");
    CBupdate->setGeometry(16, 144, 105, 17);
    CBupdate->setChecked(true);

    chain_tab_order({Bapply, CBupdate, NEk, NEl, NEm, NEC1, NEL3, NEC3, NEVC1});
    Bapply->setFocus(Qt::OtherFocusReason);

    connect(Bapply, &QPushButton::clicked, this, &TFidealmag::BapplyClick);
}

void TFidealmag::set_windows(TFparam* param, TFdesign* design) {
    param_ = param;
    design_ = design;
}

void TFidealmag::BapplyClick() {
    run_guarded(this, [this] {
        if (design_ == nullptr) return;
        MagnifierInputs inputs;
        inputs.k = NEk->panel_int();
        inputs.l = NEl->panel_int();
        inputs.m = NEm->panel_int();
        inputs.C1 = NEC1->panel_real();
        inputs.L3 = NEL3->panel_real();
        inputs.C3 = NEC3->panel_real();
        MagnifierResults r;
        if (!design_magnifier(inputs, design_->report_log(), r)) return;
        if (!CBupdate->isChecked()) return;
        if (param_ != nullptr) write_element_fields(*param_, r);
        hide();
        design_->enable_simulate();
    });
}

void TFidealmag::centre_on_screen() {
    QScreen* screen = this->screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->geometry();
    const QSize frame = frameGeometry().size();
    centred_margins_ = frame - size();
    move(area.left() + (area.width() - frame.width()) / 2, area.top() + (area.height() - frame.height()) / 2);
}

void TFidealmag::recentre_if_frame_changed() {
    // The window manager's frame has come (or changed); a size the user
    // gives the window does not move it.
    if (centring_ && frameGeometry().size() - size() != centred_margins_) centre_on_screen();
}

void TFidealmag::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_once_) return;
    shown_once_ = true;
    centring_ = true;
    centre_on_screen();
}

void TFidealmag::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) centring_ = false;
}

void TFidealmag::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    recentre_if_frame_changed();
}

void TFidealmag::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    recentre_if_frame_changed();
}

void TFidealmag::closeEvent(QCloseEvent* event) {
    // Closing only hides the window; its fields keep their contents.
    hide();
    event->accept();
}

}  // namespace zelvar
