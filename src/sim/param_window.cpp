// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/param_window.h"

#include "widgets/field_tooltip_widget.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFocusEvent>
#include <QFont>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

#include <exception>
#include <map>

#include "app/application_window.h"
#include "app/error_box_widget.h"
#include "app/faults.h"
#include "fit/measured_window.h"
#include "plot/wave_window.h"
#include "sim/channels.h"
#include "sim/param_table.h"
#include "sim/tolerance_window.h"
#include "sim/value_file_input.h"
#include "sim/response_window.h"
#include "widgets/file_dialog_widget.h"
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

// Where each numeric field goes.  What it holds (caption, kind, default,
// whether leaving it asks for a new run) comes from the parameter table
// (sim/param_table.h), or, for a scale factor, from the channel table
// (sim/channels.h), by its object name.
struct FieldPlace {
    TNEdit* TFparam::*member;
    const char* name;
    int label_left;
    int left, top, width;
    int tab;
};

const FieldPlace kFields[] = {
    {&TFparam::NEC1, "NEC1", kLeftLabel, 47, 8, 121, 0},
    {&TFparam::NEL1, "NEL1", kLeftLabel, 47, 32, 121, 1},
    {&TFparam::NER1, "NER1", kLeftLabel, 47, 56, 121, 2},
    {&TFparam::NEC2, "NEC2", kLeftLabel, 47, 80, 121, 3},
    {&TFparam::NEL2, "NEL2", kLeftLabel, 47, 104, 121, 4},
    {&TFparam::NER2, "NER2", kLeftLabel, 47, 128, 121, 5},
    {&TFparam::NEC3, "NEC3", kLeftLabel, 47, 152, 121, 6},
    {&TFparam::NEL3, "NEL3", kLeftLabel, 47, 176, 121, 7},
    {&TFparam::NER3, "NER3", kLeftLabel, 47, 200, 121, 8},
    {&TFparam::NEk12, "NEk12", kLeftLabel, 47, 224, 121, 20},
    {&TFparam::NECL, "NECL", kMiddleLabel, 239, 8, 121, 10},
    {&TFparam::NERL, "NERL", kMiddleLabel, 239, 32, 121, 9},
    {&TFparam::NEfin, "NEfin", kMiddleLabel, 239, 56, 121, 11},
    {&TFparam::NEtmax, "NEtmax", kMiddleLabel, 239, 80, 121, 12},
    {&TFparam::NEstop, "NEstop", kMiddleLabel, 239, 104, 121, 34},
    {&TFparam::NEopen, "NEopen", kMiddleLabel, 239, 224, 121, 36},
    {&TFparam::NEvin, "NEvin", kMiddleLabel, 239, 248, 121, 21},
    {&TFparam::NEstart, "NEstart", 0, 448, 288, 80, 37},
    {&TFparam::NEVC10, "NEVC10", kMiddleLabel, 239, 312, 121, 22},
    {&TFparam::NEvmax, "NEvmax", kMiddleLabel, 239, 336, 121, 14},
    {&TFparam::NEmvin, "NEmvin", kRightLabel, 414, 40, 121, 15},
    {&TFparam::NEv1, "NEv1", kRightLabel, 414, 64, 121, 24},
    {&TFparam::NEv2, "NEv2", kRightLabel, 414, 88, 121, 25},
    {&TFparam::NEv3, "NEv3", kRightLabel, 414, 112, 121, 26},
    {&TFparam::NEv4, "NEv4", kRightLabel, 414, 136, 121, 27},
    {&TFparam::NEi1, "NEi1", kRightLabel, 414, 160, 121, 28},
    {&TFparam::NEi2, "NEi2", kRightLabel, 414, 184, 121, 29},
    {&TFparam::NEi3, "NEi3", kRightLabel, 414, 208, 121, 30},
    {&TFparam::NEpontos, "NEpontos", kRightLabel, 447, 240, 42, 13},
    {&TFparam::NEsteps, "NEsteps", kRightLabel, 447, 264, 42, 17},
};

// A numeric field's contents as the tables describe them.
struct FieldContents {
    const char* caption = nullptr;
    tipo_campo kind = tipo_campo::real_field;
    long double real_value = 0;   // panel_real
    std::int32_t int_value = 0;   // panel_int
    bool marked = false;          // leaving it sets the dirty flag
};

FieldContents field_contents(const char* name) {
    FieldContents c;
    const SimParams defaults;
    if (const ParamSpec* p = find_param(name)) {
        c.caption = p->caption;
        c.marked = p->marks_stale;
        if (p->kind == ParamKind::integer) {
            c.kind = tipo_campo::int_field;
            c.int_value = defaults.*p->integer;
        } else {
            c.real_value = defaults.*p->real;
        }
        return c;
    }
    for (const Channel& ch : kChannels)
        if (std::string(name) == ch.scale_field) {
            c.caption = ch.csv_name;
            c.real_value = 1;
        }
    return c;
}

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

    for (const FieldPlace& d : kFields) {
        const FieldContents c = field_contents(d.name);
        auto* field = new TNEdit(this);
        this->*d.member = field;
        field->setObjectName(d.name);
        field->setGeometry(d.left, d.top, d.width, kFieldHeight);
        // From the description: the text, then the values and the kind
        // through their setters, so that the text shows the stored value.
        field->setText(QString::fromStdString(c.kind == tipo_campo::int_field ? int_display_text(c.int_value)
                                                                              : real_display_text(c.real_value)));
        if (c.real_value != 0) field->set_panel_real(c.real_value);
        field->set_panel_int(c.int_value);
        field->set_field_type(c.kind);
        if (c.marked) connect(field, &TNEdit::exited, this, &TFparam::NEC1Exit);
        connect(field, &TNEdit::stored, this, &TFparam::inputs_changed);
        if (c.caption != nullptr) {
            auto* label = new QLabel(QString::fromLatin1(c.caption), this);
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

    const ParamSpec& stop = *find_param("RGstop");
    RGstop = new TRadioGroup(stop.caption, {"Open driver", "Short-circuit driver", "Open w/free-wheeling diodes"},
                             this);
    RGstop->setObjectName(stop.control);
    RGstop->setGeometry(184, 128, 177, 89);
    RGstop->set_item_index(SimParams{}.*stop.choice);
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

    // Caption, default and whether leaving it asks for a new run: from the
    // parameter table.
    auto make_check = [&](QCheckBox*& box, const char* name, int left, int top, int width, int tab) {
        const ParamSpec& p = *find_param(name);
        box = new QCheckBox(QString::fromLatin1(p.caption), this);
        box->setObjectName(name);
        box->setGeometry(left, top, width, kCheckHeight);
        box->setChecked(SimParams{}.*p.flag);
        if (p.marks_stale) box->installEventFilter(this);
        tab_order[tab] = box;
    };
    make_check(CBsquare, "CBsquare", 240, 272, 97, 31);
    make_check(CBfb, "CBfb", 240, 288, 201, 33);
    // Its long caption has to end before NEstart: a slightly smaller size
    // where the substituted family is wider than the one asked for.
    if (CBfb->sizeHint().width() > CBfb->width()) shrink_font(CBfb);
    make_check(CBuse, "CBuse", 416, 320, 81, 23);
    make_check(CBmaxima, "CBmaxima", 416, 336, 97, 32);

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
    // The tolerance analysis: in the free place below "Plot", after the
    // window's own controls and outside their tab chain (which keeps its
    // order); Ctrl+T presses it from anywhere in the window.
    Btolerance = new QPushButton("Tolerance...", this);
    Btolerance->setObjectName("Btolerance");
    Btolerance->setGeometry(8, 320, 81, kButtonHeight);
    Btolerance->setAutoDefault(false);
    Btolerance->setFocusPolicy(Qt::ClickFocus);
    connect(Btolerance, &QPushButton::clicked, this, &TFparam::BtoleranceClick);
    auto* tolerance_key = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this);
    connect(tolerance_key, &QShortcut::activated, Btolerance, &QPushButton::click);
    // Both disabled at program start: no run has completed, no reference.
    refresh_ref_buttons();

    Bload = new QPushButton(QStringLiteral("Load values\u2026"), this);
    Bload->setObjectName("Bload");
    Bload->setGeometry(96, 288, 81, kButtonHeight);
    Bload->setAutoDefault(false);
    Bload->setFocusPolicy(Qt::ClickFocus);
    connect(Bload, &QPushButton::clicked, this, &TFparam::choose_and_load_values);

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

    // "Measured...": in free space under "Response..."; out of the Tab
    // chain like it; Alt+M presses it.
    Bmeasured = new QPushButton(QString::fromUtf8("&Measured\u2026"), this);
    Bmeasured->setObjectName("Bmeasured");
    Bmeasured->setGeometry(8, 346, 81, kButtonHeight);
    Bmeasured->setAutoDefault(false);
    Bmeasured->setFocusPolicy(Qt::ClickFocus);
    connect(Bmeasured, &QPushButton::clicked, this, &TFparam::BmeasuredClick);
}

SimParams TFparam::read_params() const {
    SimParams p;
    for (const ParamSpec& entry : kParamTable) {
        const QString name = QString::fromLatin1(entry.control);
        switch (entry.kind) {
            case ParamKind::real:
                p.*entry.real = findChild<TNEdit*>(name)->panel_real();
                break;
            case ParamKind::integer:
                p.*entry.integer = findChild<TNEdit*>(name)->panel_int();
                break;
            case ParamKind::flag:
                p.*entry.flag = findChild<QCheckBox*>(name)->isChecked();
                break;
            case ParamKind::choice:
                p.*entry.choice = findChild<TRadioGroup*>(name)->item_index();
                break;
        }
    }
    return p;
}

std::array<long double, 8> TFparam::read_scales() const {
    std::array<long double, 8> scales;
    for (int c = 0; c < kChannelCount; ++c)
        scales[c] = findChild<TNEdit*>(QString::fromLatin1(kChannels[c].scale_field))->panel_real();
    return scales;
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

void TFparam::load_values(const std::string& path) {
    SimParams values;
    read_value_file(path, values);
    NEC1->set_panel_real(values.C1);
    NEC2->set_panel_real(values.C2);
    NEC3->set_panel_real(values.C3);
    NEL1->set_panel_real(values.L1);
    NEL2->set_panel_real(values.L2);
    NEL3->set_panel_real(values.L3);
    NEk12->set_panel_real(values.k12);
    NEfin->set_panel_real(values.fin);
    mark_dirty(state_);
    emit values_loaded();
    if (log_ != nullptr)
        report_line(*log_, "Values loaded from file " + QString::fromLocal8Bit(path.c_str()).toLatin1().toStdString());
    bring_to_front(this);
}

std::string ask_for_value_file(QWidget* parent) {
    const QString path =
        choose_file_to_open(parent, QStringLiteral("Load values"), QStringLiteral("Value files (*.val);;All files (*)"));
    return QFile::encodeName(path).toStdString();
}

void TFparam::choose_and_load_values() {
    run_guarded(this, [&] {
        const std::string path = ask_for_value_file(this);
        if (!path.empty()) load_values(path);
    });
}

void TFparam::BtoleranceClick() {
    run_guarded(this, [&] {
        if (tolerance_ != nullptr) bring_to_front(tolerance_);
    });
}

void TFparam::BresponseClick() {
    run_guarded(this, [&] {
        if (response_ == nullptr) {
            response_ = new TFresponse(this);
            response_->set_inputs([this] { return read_params(); }, log_);
            connect(this, &TFparam::inputs_changed, response_, &TFresponse::inputs_changed);
        }
        response_->show_response(read_params());
        bring_to_front(response_);
    });
}

TFmeasured* TFparam::ensure_measured_window() {
    if (measured_ == nullptr) {
        measured_ =
            new TFmeasured([this] { return read_params(); }, [this](const SimParams& p) { use_values(p); }, this);
        apply_field_tooltips(measured_);
    }
    return measured_;
}

void TFparam::BmeasuredClick() {
    run_guarded(this, [&] {
        ensure_measured_window();
        bring_to_front(measured_);
    });
}

void TFparam::use_values(const SimParams& p) {
    NEC1->set_panel_real(p.C1);
    NEC2->set_panel_real(p.C2);
    NEC3->set_panel_real(p.C3);
    NEL1->set_panel_real(p.L1);
    NEL2->set_panel_real(p.L2);
    NEL3->set_panel_real(p.L3);
    NEk12->set_panel_real(p.k12);
    NEfin->set_panel_real(p.fin);
    NEstop->set_panel_real(p.tstop);
    mark_dirty(state_);
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
