#include "design/design_window.h"

#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMetaObject>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTextCursor>
#include <QTextDocument>

#include "app/application_window.h"
#include "app/atomic_file.h"
#include "app/error_box_widget.h"
#include "coil/windings_window.h"
#include "design/modes_window.h"
#include "idealmag/idealmag_window.h"
#include "sim/param_window.h"
#include "sim/sim_document.h"
#include "widgets/file_dialog_widget.h"
#include "widgets/radio_group_widget.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {

namespace {

constexpr int kFieldHeight = 21;
constexpr int kButtonHeight = 25;
constexpr int kCheckHeight = 17;

// A real field from the window's description.
TNEdit* real_field(QWidget* parent, const char* name, int left, int top, int width, long double value,
                   const char* text) {
    return make_field(parent, name, left, top, width, kFieldHeight, text, value, 0, tipo_campo::real_field);
}

QPushButton* button(QWidget* parent, const char* name, const char* caption, int left, int top, int width) {
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(name);
    b->setGeometry(left, top, width, kButtonHeight);
    // Enter presses the button that has the focus, as Space does.
    b->setAutoDefault(true);
    return b;
}

QCheckBox* check_box(QWidget* parent, const char* name, const char* caption, int left, int top, int width) {
    auto* c = new QCheckBox(QString::fromLatin1(caption), parent);
    c->setObjectName(name);
    c->setGeometry(left, top, width, kCheckHeight);
    return c;
}

}  // namespace

const QStringList& design_help_lines() {
    static const QStringList lines = {
        "Triple resonance Tesla coil designer",
        "",
        "This program designs a \"Tesla magnifier\" that operates with",
        "zero-state response, or a \"Triple resonance solid-state",
        "Tesla coil\", ZELVAR.",
        "",
        "    +v1-  k12         -i3+",
        " +---C1--+   +------+--L3--+",
        "+|     + |   | +    |  +   |  +",
        "vin   i1 L1 L2 i2   C2 v2  C3 v3",
        "-|     - |   | -    |  -   |  -",
        " +-------+   +------+------+",
        "",
        "Vin is a sinusoidal voltage source that pumps energy to",
        "the circuit. At a certain instant that depends on the",
        "mode k:l:m:n chosen, all the energy becomes concentrated",
        "in C3. For proper operation, k, l, m, and n shall be",
        "sucessive odd integers, with differences that are doubled",
        "odd integers (as 1:3:5:7 or 11:13:19:21).",
        "The output voltage is composed of four sinusoidal",
        "components at frequencies in the ratio k:l:m:n. One of",
        "them comes from the input, and the other three from the",
        "natural frequencies of the network. Realizable solutions",
        "with complete energy transfer exist for excitation at m*w0",
        "and n*w0, where w0 is the common divider of the four",
        "frequencies.",
        "Realizations with excitation at l*w0 are possible if some",
        "energy is left on C1 or C2 at the end of the energy transfer.",
        "Two factors must be specified that control the design, that",
        "must be between the limits listed when the design is",
        "attempted. The effects can be accumulated, with energy left",
        "in C1 and C2.",
        "",
        "The dedicated simulator includes a load circuit that is",
        "a series RC combination. The driver can be interrupted",
        "after a prescribed time and left in three possible",
        "conditions.",
        "In the \"open\" cases, the input voltage source is replaced",
        "by a resistance Ropen. Too large values for Ropen can",
        "result in numerical instability in the simulation.",
        "",
        "Primary current feedback forces vin to follow the direction",
        "of the primary current (usually not the correct operation",
        "for a zelvar).",
        "",
        "The simulator can simulate a spark-gap Tesla magnifier,",
        "with Vin set to 0 and VC1(0) used. The effect of gap",
        "quenching can be simulated by opening the driver at the",
        "end of the energy transfer time.",
        "",
    };
    return lines;
}

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setFont(log_font());
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab leaves the box, as in every other control.
    setTabChangesFocus(true);
    // The box keeps the edit history itself, so that appended lines stay out
    // of it.
    document()->setUndoRedoEnabled(false);
    connect(document(), &QTextDocument::contentsChange, this, &TMemo::contents_changed);
}

void TMemo::set_start_text(const QString& text) {
    own_change_ = true;
    setPlainText(text);
    own_change_ = false;
    shadow_ = document()->toRawText();
    undo_.clear();
    redo_.clear();
    merge_open_ = false;
}

void TMemo::append_line(const std::string& latin1) {
    const QString line = QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size()));
    const bool was_empty = document()->isEmpty();
    own_change_ = true;
    appendPlainText(line);
    own_change_ = false;
    if (!was_empty) shadow_ += QChar(QChar::ParagraphSeparator);
    shadow_ += line;
    if (shadow_.size() != document()->characterCount() - 1) shadow_ = document()->toRawText();
    merge_open_ = false;
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

QString TMemo::text_at(int position, int length) const {
    QTextCursor c(document());
    c.setPosition(position);
    c.setPosition(position + length, QTextCursor::KeepAnchor);
    return c.selectedText();
}

void TMemo::contents_changed(int position, int removed, int added) {
    if (own_change_) return;
    const int length = document()->characterCount() - 1;
    Edit edit;
    if (position >= 0 && removed >= 0 && added >= 0 && position + removed <= shadow_.size() &&
        shadow_.size() - removed + added == length) {
        edit = {position, shadow_.mid(position, removed), text_at(position, added)};
    } else {
        // A range the box reports past its end: compare the whole text.
        const QString now = document()->toRawText();
        int first = 0;
        while (first < shadow_.size() && first < now.size() && shadow_[first] == now[first]) ++first;
        int last = 0;
        while (last < shadow_.size() - first && last < now.size() - first &&
               shadow_[shadow_.size() - 1 - last] == now[now.size() - 1 - last])
            ++last;
        edit = {first, shadow_.mid(first, shadow_.size() - first - last), now.mid(first, now.size() - first - last)};
    }
    shadow_.replace(edit.position, edit.removed.size(), edit.added);
    if (shadow_.size() != length) shadow_ = document()->toRawText();
    // A change of format only reports the same text again.
    int same = 0;
    while (same < edit.removed.size() && same < edit.added.size() && edit.removed[same] == edit.added[same]) ++same;
    edit.position += same;
    edit.removed.remove(0, same);
    edit.added.remove(0, same);
    while (!edit.removed.isEmpty() && !edit.added.isEmpty() && edit.removed.back() == edit.added.back()) {
        edit.removed.chop(1);
        edit.added.chop(1);
    }
    if (edit.removed.isEmpty() && edit.added.isEmpty()) return;
    record(std::move(edit));
}

void TMemo::record(Edit edit) {
    redo_.clear();
    if (merge_open_ && !undo_.empty()) {
        Edit& last = undo_.back();
        const bool typing = last.removed.isEmpty() && edit.removed.isEmpty() &&
                            edit.position == last.position + last.added.size();
        const bool deleting = last.added.isEmpty() && edit.added.isEmpty();
        if (typing) {
            last.added += edit.added;
            return;
        }
        if (deleting && edit.position == last.position) {  // Delete
            last.removed += edit.removed;
            return;
        }
        if (deleting && edit.position + edit.removed.size() == last.position) {  // Backspace
            last.position = edit.position;
            last.removed.prepend(edit.removed);
            return;
        }
    }
    undo_.push_back(std::move(edit));
    merge_open_ = true;
}

void TMemo::apply(const Edit& edit, bool backwards) {
    const QString& out = backwards ? edit.added : edit.removed;
    const QString& in = backwards ? edit.removed : edit.added;
    QTextCursor c(document());
    c.setPosition(edit.position);
    c.setPosition(edit.position + out.size(), QTextCursor::KeepAnchor);
    own_change_ = true;
    c.insertText(in);
    own_change_ = false;
    shadow_.replace(edit.position, out.size(), in);
    if (shadow_.size() != document()->characterCount() - 1) shadow_ = document()->toRawText();
    setTextCursor(c);
    merge_open_ = false;
}

void TMemo::undo_edit() {
    if (undo_.empty()) return;
    Edit edit = std::move(undo_.back());
    undo_.pop_back();
    apply(edit, true);
    redo_.push_back(std::move(edit));
}

void TMemo::redo_edit() {
    if (redo_.empty()) return;
    Edit edit = std::move(redo_.back());
    redo_.pop_back();
    apply(edit, false);
    undo_.push_back(std::move(edit));
}

void TMemo::keyPressEvent(QKeyEvent* event) {
    if (!isReadOnly() && event->matches(QKeySequence::Undo)) {
        undo_edit();
        event->accept();
        return;
    }
    if (!isReadOnly() && event->matches(QKeySequence::Redo)) {
        redo_edit();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TMemo::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu(event->pos());
    for (QAction* action : menu->actions()) {
        const bool undo = action->objectName() == QLatin1String("edit-undo");
        const bool redo = action->objectName() == QLatin1String("edit-redo");
        if (!undo && !redo) continue;
        QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
        action->setEnabled(undo ? can_undo_edit() : can_redo_edit());
        if (undo)
            connect(action, &QAction::triggered, this, &TMemo::undo_edit);
        else
            connect(action, &QAction::triggered, this, &TMemo::redo_edit);
    }
    menu->exec(event->globalPos());
    delete menu;
}

TFdesign::TFdesign(SimDocument& state, QWidget* parent) : QWidget(parent), state_(state) {
    setObjectName("Fdesign");
    setWindowTitle("Triple resonance network designer");
    setFont(window_font());
    // The frame's top-left corner at (1005, 287); 695 x 647 inside it.
    move(1005, 287);
    resize(695, 647);

    // The bevel goes under the controls it frames.
    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(8, 304, 161, 121);

    Label1 = make_label(this, "Label1", "k", 8, 16);
    NEk = real_field(this, "NEk", 32, 16, 121, 5, "5");
    Label2 = make_label(this, "Label2", "l", 8, 40);
    NEl = real_field(this, "NEl", 32, 40, 121, 7, "7");
    Label3 = make_label(this, "Label3", "m", 8, 64);
    NEm = real_field(this, "NEm", 32, 64, 121, 9, "9");
    Label4 = make_label(this, "Label4", "n", 8, 88);
    NEn = real_field(this, "NEn", 32, 88, 121, 11, "11");
    Label5 = make_label(this, "Label5", "C1", 8, 112);
    NEC1 = real_field(this, "NEC1", 32, 112, 121, 5e-9L, "5E-9");
    Label6 = make_label(this, "Label6", "C3", 8, 136);
    NEC3 = real_field(this, "NEC3", 32, 136, 121, 1e-11L, "1E-11");
    Label7 = make_label(this, "Label7", "L3", 8, 160);
    NEL3 = real_field(this, "NEL3", 32, 160, 121, 0.03L, "0.03");

    RGexcitation = new TRadioGroup(
        "Excitation", {"k*w0 (irrealizable)", "l*w0 (incomplete transfer)", "m*w0", "n*w0"}, this);
    RGexcitation->setObjectName("RGexcitation");
    RGexcitation->setGeometry(8, 192, 161, 105);
    RGexcitation->set_item_index(2);

    Label8 = make_label(this, "Label8", "For excitation at l*w0:", 16, 312);
    CBC1 = check_box(this, "CBC1", "Leave energy in C1", 16, 328, 137);
    Label9 = make_label(this, "Label9", "Factor:", 16, 352);
    NEg1 = real_field(this, "NEg1", 56, 344, 105, -0.9L, "-0.9");
    CBC2 = check_box(this, "CBC2", "Leave energy in C2", 16, 376, 145);
    Label10 = make_label(this, "Label10", "Factor:", 16, 400);
    NEg2 = real_field(this, "NEg2", 56, 392, 105, 0.03L, "0.03");

    Bdesign = button(this, "Bdesign", "Design \"ZELVAR\"", 8, 432, 121);
    Button1 = button(this, "Button1", "Spark gap magnifier", 8, 464, 121);
    Bsimulate = button(this, "Bsimulate", "Simulate", 8, 496, 75);
    Bsimulate->setEnabled(false);

    Memo1 = new TMemo(this);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(176, 16, 513, 617);
    Memo1->set_start_text(design_help_lines().join('\n'));

    chain_tab_order({NEk, NEl, NEm, NEn, NEC1, NEC3, NEL3, Bdesign, Memo1, RGexcitation, Bsimulate, Button1,
                     NEg1, NEg2, CBC1, CBC2});
    NEk->setFocus(Qt::OtherFocusReason);

    // "Modes...": in free space beside "Simulate"; out of the Tab chain, so
    // that Tab still goes round the window's own controls; Alt+M presses it.
    Bmodes = button(this, "Bmodes", "Modes", 88, 496, 81);
    Bmodes->setText(QString::fromUtf8("&Modes\u2026"));
    Bmodes->setFocusPolicy(Qt::ClickFocus);
    connect(Bmodes, &QPushButton::clicked, this, &TFdesign::BmodesClick);

    // "Windings": in free space below "Simulate", out of the Tab chain;
    // Alt+W presses it.
    Bwindings = button(this, "Bwindings", "Windings", 8, 528, 121);
    Bwindings->setFocusPolicy(Qt::ClickFocus);
    Bwindings->setToolTip(QStringLiteral("Alt+W"));
    Bwindings->setEnabled(false);
    connect(Bwindings, &QPushButton::clicked, this, &TFdesign::BwindingsClick);
    auto* windings = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_W), this);
    connect(windings, &QShortcut::activated, this, [this] {
        if (Bwindings->isEnabled()) Bwindings->click();
    });

    connect(Bdesign, &QPushButton::clicked, this, &TFdesign::BdesignClick);
    connect(Bsimulate, &QPushButton::clicked, this, &TFdesign::BsimulateClick);
    connect(Button1, &QPushButton::clicked, this, &TFdesign::Button1Click);

    auto* save = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    connect(save, &QShortcut::activated, this, &TFdesign::save_report_command);
    auto* load = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this);
    connect(load, &QShortcut::activated, this, &TFdesign::load_values_command);
}

void TFdesign::set_windows(TFparam* param, TFidealmag* idealmag) {
    param_ = param;
    idealmag_ = idealmag;
}

DesignInputs TFdesign::read_inputs() const {
    DesignInputs inputs;
    inputs.k = NEk->panel_real();
    inputs.l = NEl->panel_real();
    inputs.m = NEm->panel_real();
    inputs.n = NEn->panel_real();
    inputs.C1 = NEC1->panel_real();
    inputs.C3 = NEC3->panel_real();
    inputs.L3 = NEL3->panel_real();
    inputs.excitation = RGexcitation->item_index();
    inputs.leave_c1 = CBC1->isChecked();
    inputs.g1 = NEg1->panel_real();
    inputs.leave_c2 = CBC2->isChecked();
    inputs.g2 = NEg2->panel_real();
    return inputs;
}

void TFdesign::BdesignClick() {
    run_guarded(this, [this] {
        run_design(read_inputs(), *Memo1, this);
    });
}

void write_element_fields(TFparam& param, const ElementValues& v) {
    param.NEC1->set_panel_real(v.C1);
    param.NEC2->set_panel_real(v.C2);
    param.NEC3->set_panel_real(v.C3);
    param.NEL1->set_panel_real(v.L1);
    param.NEL2->set_panel_real(v.L2);
    param.NEL3->set_panel_real(v.L3);
    param.NEk12->set_panel_real(v.k12);
}

void TFdesign::hand_over_to_simulation(const DesignResults& results) {
    if (param_ != nullptr) {
        write_element_fields(*param_, results);
        param_->NEfin->set_panel_real(results.fin);
    }
    enable_simulate();
}

void TFdesign::enable_simulate() {
    Bsimulate->setEnabled(true);
    Bwindings->setEnabled(true);
}

void TFdesign::BwindingsClick() {
    run_guarded(this, [this] {
        if (windings_ != nullptr) windings_->open();
    });
}

void TFdesign::BsimulateClick() {
    run_guarded(this, [this] {
        mark_dirty(state_);
        if (param_ != nullptr) bring_to_front(param_);
    });
}

void TFdesign::Button1Click() {
    run_guarded(this, [this] {
        if (idealmag_ != nullptr) bring_to_front(idealmag_);
    });
}

void TFdesign::save_report(const std::string& path) {
    QByteArray text = Memo1->toPlainText().toUtf8();
    if (!text.isEmpty()) text += '\n';
    write_named_file("Report", path, text.toStdString());
}

void TFdesign::save_report_command() {
    run_guarded(this, [this] {
        const QString path = choose_file_to_save(this, QStringLiteral("Save report"), QStringLiteral("report.txt"),
                                                 QStringLiteral("Text files (*.txt);;All files (*)"));
        if (!path.isEmpty()) save_report(QFile::encodeName(path).toStdString());
    });
}

void TFdesign::load_values_command() {
    run_guarded(this, [this] {
        if (param_ == nullptr) return;
        const std::string path = ask_for_value_file(this);
        if (!path.empty()) param_->load_values(path);
    });
}

void TFdesign::BmodesClick() {
    run_guarded(this, [this] {
        // The fields as they stand: a text typed but not yet left is checked
        // as leaving it would (a refused one shows the error box and opens
        // nothing).
        if (auto* typed = qobject_cast<TNEdit*>(focusWidget()); typed != nullptr && typed->window() == this)
            typed->exit_check();
        const DesignInputs inputs = read_inputs();
        if (modes_ == nullptr) {
            modes_ = new TFmodes(this);
            modes_->on_choose = [this](const DesignInputs& from, std::int32_t k, std::int32_t l, std::int32_t m,
                                       std::int32_t n) { choose_mode(from, k, l, m, n); };
        }
        modes_->explore(inputs);
        bring_to_front(modes_);
    });
}

void TFdesign::choose_mode(std::int32_t k, std::int32_t l, std::int32_t m, std::int32_t n) {
    NEk->set_panel_real(k);
    NEl->set_panel_real(l);
    NEm->set_panel_real(m);
    NEn->set_panel_real(n);
    BdesignClick();
}

void TFdesign::choose_mode(const DesignInputs& from, std::int32_t k, std::int32_t l, std::int32_t m,
                           std::int32_t n) {
    NEC1->set_panel_real(from.C1);
    NEC3->set_panel_real(from.C3);
    NEL3->set_panel_real(from.L3);
    RGexcitation->set_item_index(from.excitation);
    CBC1->setChecked(from.leave_c1);
    NEg1->set_panel_real(from.g1);
    CBC2->setChecked(from.leave_c2);
    NEg2->set_panel_real(from.g2);
    choose_mode(k, l, m, n);
}

void TFdesign::closeEvent(QCloseEvent* event) {
    event->accept();
    // The program ends with its main window, whatever else is open.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

}  // namespace zelvar
