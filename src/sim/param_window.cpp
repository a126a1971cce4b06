#include "sim/param_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QFont>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>

#include <exception>
#include <map>

#include "app/application_window.h"
#include "app/error_box_widget.h"
#include "app/faults.h"
#include "plot/wave_window.h"
#include "sim/response_window.h"
#include "widgets/radio_group_widget.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {

namespace {

// Columns of the captions beside the fields.
constexpr int kLeftLabel = 16;
constexpr int kMiddleLabel = 184;
constexpr int kRightLabel = 376;

constexpr int kFieldHeight = 21;
constexpr int kButtonHeight = 25;
constexpr int kCheckHeight = 17;

// One numeric field as the window describes it.
struct FieldDesc {
    TNEdit* TFparam::*member;
    const char* name;
    const char* caption;  // nullptr: no label of its own
    int label_left;
    int left, top, width;
    int tab;
    long double real_value;   // panel_real
    std::int32_t int_value;   // panel_int
    tipo_campo kind;
    bool marked;              // leaving it sets the dirty flag
};

constexpr tipo_campo R = tipo_campo::real_field;
constexpr tipo_campo N = tipo_campo::int_field;

const FieldDesc kFields[] = {
    {&TFparam::NEC1, "NEC1", "C1", kLeftLabel, 47, 8, 121, 0, 0, 0, R, true},
    {&TFparam::NEL1, "NEL1", "L1", kLeftLabel, 47, 32, 121, 1, 0, 0, R, true},
    {&TFparam::NER1, "NER1", "R1", kLeftLabel, 47, 56, 121, 2, 0, 0, R, true},
    {&TFparam::NEC2, "NEC2", "C2", kLeftLabel, 47, 80, 121, 3, 0, 0, R, true},
    {&TFparam::NEL2, "NEL2", "L2", kLeftLabel, 47, 104, 121, 4, 0, 0, R, true},
    {&TFparam::NER2, "NER2", "R2", kLeftLabel, 47, 128, 121, 5, 0, 0, R, true},
    {&TFparam::NEC3, "NEC3", "C3", kLeftLabel, 47, 152, 121, 6, 0, 0, R, true},
    {&TFparam::NEL3, "NEL3", "L3", kLeftLabel, 47, 176, 121, 7, 0, 0, R, true},
    {&TFparam::NER3, "NER3", "R3", kLeftLabel, 47, 200, 121, 8, 0, 0, R, true},
    {&TFparam::NEk12, "NEk12", "K12", kLeftLabel, 47, 224, 121, 20, 0, 0, R, true},
    {&TFparam::NECL, "NECL", "C load", kMiddleLabel, 239, 8, 121, 10, 1e-14L, 0, R, true},
    {&TFparam::NERL, "NERL", "R load", kMiddleLabel, 239, 32, 121, 9, 220000, 0, R, true},
    {&TFparam::NEfin, "NEfin", "Fin (Hz)", kMiddleLabel, 239, 56, 121, 11, 300000, 0, R, true},
    {&TFparam::NEtmax, "NEtmax", "Max time", kMiddleLabel, 239, 80, 121, 12, 1.5e-5L, 0, R, true},
    {&TFparam::NEstop, "NEstop", "Stop time", kMiddleLabel, 239, 104, 121, 34, 10, 0, R, true},
    {&TFparam::NEopen, "NEopen", "Ropen", kMiddleLabel, 239, 224, 121, 36, 10000, 0, R, true},
    {&TFparam::NEvin, "NEvin", "Vin (V)", kMiddleLabel, 239, 248, 121, 21, 200, 0, R, true},
    {&TFparam::NEstart, "NEstart", nullptr, 0, 448, 288, 80, 37, 1e-6L, 0, R, true},
    {&TFparam::NEVC10, "NEVC10", "VC1(0) (V)", kMiddleLabel, 239, 312, 121, 22, 0, 0, R, true},
    {&TFparam::NEvmax, "NEvmax", "Vmax", kMiddleLabel, 239, 336, 121, 14, 200000, 0, R, false},
    {&TFparam::NEmvin, "NEmvin", "vin", kRightLabel, 414, 40, 121, 15, 1, 0, R, false},
    {&TFparam::NEv1, "NEv1", "v1", kRightLabel, 414, 64, 121, 24, 1, 0, R, false},
    {&TFparam::NEv2, "NEv2", "v2", kRightLabel, 414, 88, 121, 25, 1, 0, R, false},
    {&TFparam::NEv3, "NEv3", "v3", kRightLabel, 414, 112, 121, 26, 1, 0, R, false},
    {&TFparam::NEv4, "NEv4", "vl", kRightLabel, 414, 136, 121, 27, 1, 0, R, false},
    {&TFparam::NEi1, "NEi1", "i1", kRightLabel, 414, 160, 121, 28, 1, 0, R, false},
    {&TFparam::NEi2, "NEi2", "i2", kRightLabel, 414, 184, 121, 29, 1, 0, R, false},
    {&TFparam::NEi3, "NEi3", "i3", kRightLabel, 414, 208, 121, 30, 1, 0, R, false},
    {&TFparam::NEpontos, "NEpontos", "Points", kRightLabel, 447, 240, 42, 13, 0, 600, N, true},
    {&TFparam::NEsteps, "NEsteps", "Internal steps", kRightLabel, 447, 264, 42, 17, 0, 10, N, true},
};

// Half a point less, for a caption that the substituted family makes too
// wide for its control.
void shrink_font(QWidget* w) {
    QFont smaller = w->font();
    smaller.setPointSizeF(smaller.pointSizeF() - 0.5);
    w->setFont(smaller);
}

}  // namespace

TFparam::TFparam(SimDocument& state, QWidget* parent) : QWidget(parent), state_(state) {
    setObjectName("Fparam");
    setWindowTitle("Simulation parameters");
    // "MS Sans Serif" 8 pt; where the machine lacks it, a narrow sans serif
    // keeps the captions inside their controls.
    QFont font = window_font();
    font.setFamilies({"MS Sans Serif", "DejaVu Sans Condensed", "Liberation Sans Narrow", "Arial"});
    setFont(font);
    // The frame's top-left corner at (412, 443); 544 x 372 inside it.
    move(412, 443);
    resize(544, 372);
    // Closing this window never ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);

    std::map<int, QWidget*> tab_order;

    for (const FieldDesc& d : kFields) {
        auto* field = new TNEdit(this);
        this->*d.member = field;
        field->setObjectName(d.name);
        field->setGeometry(d.left, d.top, d.width, kFieldHeight);
        // From the description: the text, then the values and the kind
        // through their setters, so that the text shows the stored value.
        field->setText(QString::fromStdString(d.kind == N ? int_display_text(d.int_value)
                                                           : real_display_text(d.real_value)));
        if (d.real_value != 0) field->set_panel_real(d.real_value);
        field->set_panel_int(d.int_value);
        field->set_field_type(d.kind);
        if (d.marked) connect(field, &TNEdit::exited, this, &TFparam::NEC1Exit);
        if (d.caption != nullptr) {
            auto* label = new QLabel(QString::fromLatin1(d.caption), this);
            label->setObjectName(QString("L") + d.name);
            label->setGeometry(d.label_left, d.top, d.left - d.label_left - 1, kFieldHeight);
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            label->setBuddy(field);
        }
        tab_order[d.tab] = field;
    }

    auto* heading = new QLabel("Scaling factors:", this);
    heading->setObjectName("Lscaling");
    heading->adjustSize();
    heading->move(376, 16);

    RGstop = new TRadioGroup("After stopping driver",
                             {"Open driver", "Short-circuit driver", "Open w/free-wheeling diodes"}, this);
    RGstop->setObjectName("RGstop");
    RGstop->setGeometry(184, 128, 177, 89);
    RGstop->set_item_index(kDiodeDriver);
    // Narrow side margins: the longest item needs nearly the whole width;
    // where the substituted family is still too wide, a slightly smaller size.
    if (QLayout* items = RGstop->layout()) {
        const QMargins m = items->contentsMargins();
        items->setContentsMargins(1, m.top(), 0, m.bottom());
        items->activate();
    }
    for (int i = 0; i < RGstop->count(); ++i) {
        QRadioButton* item = RGstop->item(i);
        if (item->sizeHint().width() > item->width()) shrink_font(item);
    }
    for (int i = 0; i < RGstop->count(); ++i) RGstop->item(i)->installEventFilter(this);
    tab_order[35] = RGstop;

    auto make_check = [&](QCheckBox*& box, const char* name, const char* caption, int left, int top, int width,
                          int tab, bool marked) {
        box = new QCheckBox(QString::fromLatin1(caption), this);
        box->setObjectName(name);
        box->setGeometry(left, top, width, kCheckHeight);
        box->setChecked(false);
        if (marked) box->installEventFilter(this);
        tab_order[tab] = box;
    };
    make_check(CBsquare, "CBsquare", "Square vin", 240, 272, 97, 31, true);
    make_check(CBfb, "CBfb", "Use primary current feedback after t=", 240, 288, 201, 33, true);
    // Its long caption has to end before NEstart: a slightly smaller size
    // where the substituted family is wider than the one asked for.
    if (CBfb->sizeHint().width() > CBfb->width()) shrink_font(CBfb);
    make_check(CBuse, "CBuse", "Use Vmax", 416, 320, 81, 23, false);
    make_check(CBmaxima, "CBmaxima", "Find maxima", 416, 336, 97, 32, false);

    auto make_button = [&](QPushButton*& button, const char* name, const char* caption, int left, int top,
                           int tab) {
        button = new QPushButton(QString::fromLatin1(caption), this);
        button->setObjectName(name);
        button->setGeometry(left, top, 81, kButtonHeight);
        button->setAutoDefault(false);
        tab_order[tab] = button;
    };
    make_button(Bsaveref, "Bsaveref", "Save Ref.", 8, 256, 18);
    make_button(Bdelref, "Bdelref", "Delete Ref.", 96, 256, 16);
    make_button(Breplot, "Breplot", "Plot", 8, 288, 19);
    connect(Breplot, &QPushButton::clicked, this, &TFparam::BreplotClick);
    connect(Bsaveref, &QPushButton::clicked, this, &TFparam::BsaverefClick);
    connect(Bdelref, &QPushButton::clicked, this, &TFparam::BdelrefClick);
    // Both disabled at program start: no run has completed, no reference.
    refresh_ref_buttons();

    // The radio group's items follow each other in the chain; Tab enters the
    // group at its selected item (eventFilter) and leaves it from there.
    QWidget* previous = nullptr;
    for (const auto& [tab, widget] : tab_order) {
        if (widget == RGstop) {
            for (int i = 0; i < RGstop->count(); ++i) {
                if (previous != nullptr) QWidget::setTabOrder(previous, RGstop->item(i));
                previous = RGstop->item(i);
            }
            continue;
        }
        if (previous != nullptr) QWidget::setTabOrder(previous, widget);
        previous = widget;
    }

    // "Response...": in free space under "Delete Ref."; out of the Tab
    // chain, so that Tab still goes round the window's own controls; Alt+R
    // presses it.
    Bresponse = new QPushButton(QString::fromUtf8("&Response\u2026"), this);
    Bresponse->setObjectName("Bresponse");
    Bresponse->setGeometry(96, 320, 81, kButtonHeight);
    Bresponse->setAutoDefault(false);
    Bresponse->setFocusPolicy(Qt::ClickFocus);
    connect(Bresponse, &QPushButton::clicked, this, &TFparam::BresponseClick);
}

SimParams TFparam::read_params() const {
    SimParams p;
    p.C1 = NEC1->panel_real();
    p.L1 = NEL1->panel_real();
    p.R1 = NER1->panel_real();
    p.C2 = NEC2->panel_real();
    p.L2 = NEL2->panel_real();
    p.R2 = NER2->panel_real();
    p.C3 = NEC3->panel_real();
    p.L3 = NEL3->panel_real();
    p.R3 = NER3->panel_real();
    p.k12 = NEk12->panel_real();
    p.CL = NECL->panel_real();
    p.RL = NERL->panel_real();
    p.fin = NEfin->panel_real();
    p.Vin = NEvin->panel_real();
    p.tstop = NEstop->panel_real();
    p.stop_mode = RGstop->item_index();
    p.Ropen = NEopen->panel_real();
    p.square = CBsquare->isChecked();
    p.feedback = CBfb->isChecked();
    p.tstart = NEstart->panel_real();
    p.tmax = NEtmax->panel_real();
    p.points = NEpontos->panel_int();
    p.steps = NEsteps->panel_int();
    p.VC10 = NEVC10->panel_real();
    p.Vmax = NEvmax->panel_real();
    p.use_vmax = CBuse->isChecked();
    p.find_maxima = CBmaxima->isChecked();
    return p;
}

std::array<long double, 8> TFparam::read_scales() const {
    return {NEmvin->panel_real(), NEv1->panel_real(), NEv2->panel_real(), NEv3->panel_real(),
            NEv4->panel_real(),   NEi1->panel_real(), NEi2->panel_real(), NEi3->panel_real()};
}

void TFparam::refresh_ref_buttons() {
    Bsaveref->setEnabled(state_.save_ref_enabled);
    Bdelref->setEnabled(state_.reference_present);
}

void TFparam::BreplotClick() {
    run_guarded(this, [&] {
        mark_dirty(state_);
        if (wave_ != nullptr) wave_->replot();
    });
}

void TFparam::BsaverefClick() {
    run_guarded(this, [&] {
        save_reference(state_);
        refresh_ref_buttons();
    });
}

void TFparam::BdelrefClick() {
    run_guarded(this, [&] {
        delete_reference(state_);
        refresh_ref_buttons();
    });
}

void TFparam::BresponseClick() {
    run_guarded(this, [&] {
        if (response_ == nullptr) response_ = new TFresponse(this);
        response_->show_response(read_params());
        bring_to_front(response_);
    });
}

void TFparam::NEC1Exit() {
    run_guarded(this, [&] { mark_dirty(state_); });
}

bool TFparam::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        // Tab into the radio group lands on its selected item.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        auto* item = qobject_cast<QRadioButton*>(watched);
        const int selected = RGstop->item_index();
        if (item != nullptr && (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) &&
            selected >= 0 && RGstop->item(selected) != item) {
            RGstop->item(selected)->setFocus(reason);
            return true;
        }
    }
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // The focus has already moved on when the old owner hears of it.
        QWidget* now = QApplication::focusWidget();
        const bool same_window = now != nullptr && now->window() == this;
        const bool other_window = reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
        // A refused field taking the focus back: this control was never
        // really entered, so it is not left either.
        bool left = same_window && !other_window && !TNEdit::restoring_focus();
        // Moving between the items of the radio group stays inside it.
        if (left && RGstop->isAncestorOf(qobject_cast<QWidget*>(watched)) && RGstop->isAncestorOf(now))
            left = false;
        if (left) NEC1Exit();
    }
    return QWidget::eventFilter(watched, event);
}

void TFparam::closeEvent(QCloseEvent* event) {
    hide();
    event->accept();
}

}  // namespace zelvar
