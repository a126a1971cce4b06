// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/project_window.h"

#include <CLI/Version.hpp>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QtGlobal>
#include <stdexcept>

#include "app/application_window.h"
#include "app/error_box_widget.h"
#include "app/faults.h"
#include "coil/windings_window.h"
#include "design/design_window.h"
#include "design/modes_window.h"
#include "fit/measured_window.h"
#include "idealmag/idealmag_window.h"
#include "plot/wave_window.h"
#include "report/report_log.h"
#include "sim/param_window.h"
#include "sim/sim_document.h"
#include "sim/tolerance_window.h"
#include "widgets/radio_group_widget.h"
#include "widgets/tnedit_widget.h"

#ifndef ZELVAR_VERSION
#define ZELVAR_VERSION "unknown"
#endif

namespace zelvar {

namespace {

constexpr int kRecentCount = 8;
const char kRecentKey[] = "recent_projects";

QSettings settings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("zelvar"), QStringLiteral("zelvar"));
}

std::string local_path(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

// ---- the bound controls ----

void ProjectInputs::bind(const std::string& section, QWidget* window) {
    const ProjectSection* s = find_section(section);
    if (s == nullptr || window == nullptr) throw std::logic_error("no project section " + section);
    for (const InputKey& k : s->keys) {
        Bound b{section, k.key, k.kind, nullptr, nullptr, nullptr, {}};
        const QString name = QString::fromStdString(k.control);
        switch (k.kind) {
            case InputKind::real:
            case InputKind::integer:
                b.field = window->findChild<TNEdit*>(name);
                if (b.field != nullptr)
                    QObject::connect(b.field, &QLineEdit::textEdited, context_, [this] {
                        if (edited_) edited_();
                    });
                break;
            case InputKind::flag:
                b.box = window->findChild<QCheckBox*>(name);
                if (b.box != nullptr)
                    QObject::connect(b.box, &QCheckBox::clicked, context_, [this] {
                        if (edited_) edited_();
                    });
                break;
            case InputKind::choice:
                b.group = window->findChild<TRadioGroup*>(name);
                if (b.group != nullptr)
                    for (int i = 0; i < b.group->count(); ++i)
                        QObject::connect(b.group->item(i), &QRadioButton::clicked, context_, [this] {
                            if (edited_) edited_();
                        });
                break;
        }
        if (b.field == nullptr && b.box == nullptr && b.group == nullptr)
            throw std::logic_error("no control " + k.control + " for the project key " + section + "." + k.key);
        b.start = read(b);
        bound_.push_back(std::move(b));
    }
}

InputValue ProjectInputs::read(const Bound& b) const {
    switch (b.kind) {
        case InputKind::real:
            return InputValue::of_real(b.field->panel_real());
        case InputKind::integer:
            return InputValue::of_integer(b.field->panel_int());
        case InputKind::flag:
            return InputValue::of_flag(b.box->isChecked());
        case InputKind::choice:
            return InputValue::of_choice(b.group->item_index());
    }
    return {};
}

void ProjectInputs::write(const Bound& b, const InputValue& v) const {
    switch (b.kind) {
        case InputKind::real:
            b.field->set_panel_real(v.real);
            emit b.field->exited();
            break;
        case InputKind::integer:
            b.field->set_panel_int(v.integer);
            emit b.field->exited();
            break;
        case InputKind::flag:
            b.box->setChecked(v.flag);
            break;
        case InputKind::choice:
            b.group->set_item_index(v.choice);
            break;
    }
}

Project ProjectInputs::capture() const {
    Project p;
    for (const Bound& b : bound_) p.set(b.section, b.key, read(b));
    return p;
}

void ProjectInputs::apply(const Project& project) const {
    for (const Bound& b : bound_) {
        const InputValue* v = project.get(b.section, b.key);
        write(b, v != nullptr && v->kind == b.kind ? *v : b.start);
    }
}

// ---- the controller ----

ProjectController::ProjectController(ZelvarWindows& w) : inputs_(this), windows_(w) {
    ask = [this](const QString& question) {
        return QMessageBox::question(windows_.Fdesign, QString::fromLatin1(kAppTitle), question,
                                     QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                     QMessageBox::Save);
    };

    // One line per window: its section of the project file.
    inputs_.bind("design", w.Fdesign);
    inputs_.bind("simulation", w.Fparam);
    inputs_.bind("scales", w.Fparam);
    inputs_.bind("magnifier", w.Fidealmag);
    inputs_.bind("tolerance", w.Ftolerance);
    inputs_.bind("modes", w.Fdesign->ensure_modes_window());
    inputs_.bind("windings", w.Fwindings);
    inputs_.bind("measured", w.Fparam->ensure_measured_window());

    inputs_.on_edit([this] { mark_modified(); });
    // A design run, magnifier elements or values loaded change the inputs too.
    connect(w.Fdesign, &TFdesign::design_started, this, &ProjectController::mark_modified);
    connect(w.Fidealmag->Bapply, &QPushButton::clicked, this, &ProjectController::mark_modified);
    connect(w.Fparam, &TFparam::values_loaded, this, &ProjectController::mark_modified);
    w.Fdesign->may_close = [this] { return may_close(); };

    build_menus();
    set_state(QString(), false);
}

QString ProjectController::title() const {
    QString t = modified_ ? QStringLiteral("*") : QString();
    if (!file_.isEmpty()) t += QFileInfo(file_).fileName() + QStringLiteral(" - ");
    return t + QStringLiteral("Triple resonance network designer");
}

void ProjectController::set_state(const QString& file, bool modified) {
    file_ = file;
    modified_ = modified;
    windows_.Fdesign->setWindowTitle(title());
}

void ProjectController::mark_modified() {
    if (!modified_) set_state(file_, true);
}

bool ProjectController::settle_changes() {
    if (!modified_) return true;
    const QString question =
        file_.isEmpty() ? QStringLiteral("The project has unsaved changes. Save them?")
                        : QStringLiteral("The project %1 has unsaved changes. Save them?").arg(QFileInfo(file_).fileName());
    switch (ask(question)) {
        case QMessageBox::Save:
            return save();
        case QMessageBox::Discard:
            return true;
        default:
            return false;
    }
}

bool ProjectController::may_close() { return settle_changes(); }

bool ProjectController::new_project() {
    if (!settle_changes()) return false;
    return run_guarded(windows_.Fdesign, [&] {
        fp_clear();  // an operation starts clean (a dialog's arithmetic may leave a flag)
        inputs_.apply(Project{});
        mark_dirty(windows_.document);
        set_state(QString(), false);
    });
}

void ProjectController::load(const QString& path) {
    fp_clear();  // an operation starts clean (a dialog's arithmetic may leave a flag)
    // Everything is read and checked before any field changes.
    const Project project = read_project_file(local_path(path));
    inputs_.apply(project);
    mark_dirty(windows_.document);
    // The parameter window holds a circuit, as after values loaded from a file.
    windows_.Fdesign->enable_simulate();
    set_state(QFileInfo(path).absoluteFilePath(), false);
    remember(file_);
}

bool ProjectController::open_file(const QString& path) {
    if (!settle_changes()) return false;
    return run_guarded(windows_.Fdesign, [&] { load(path); });
}

bool ProjectController::open_project() {
    if (!settle_changes()) return false;
    const QString path =
        QFileDialog::getOpenFileName(windows_.Fdesign, QStringLiteral("Open project"), QString(),
                                     QStringLiteral("ZELVAR projects (*.zelvar);;All files (*)"));
    if (path.isEmpty()) return false;
    return run_guarded(windows_.Fdesign, [&] { load(path); });
}

bool ProjectController::save_to(const QString& path) {
    return run_guarded(windows_.Fdesign, [&] {
        fp_clear();  // an operation starts clean (a dialog's arithmetic may leave a flag)
        write_project_file(local_path(path), inputs_.capture());
        report_line(windows_.Fdesign->report_log(),
                    std::string("Project saved in file ") + path.toLatin1().toStdString());
        set_state(QFileInfo(path).absoluteFilePath(), false);
        remember(file_);
    });
}

bool ProjectController::save() { return file_.isEmpty() ? save_as() : save_to(file_); }

bool ProjectController::save_as() {
    QString path = QFileDialog::getSaveFileName(
        windows_.Fdesign, QStringLiteral("Save project"),
        file_.isEmpty() ? QStringLiteral("coil.zelvar") : file_, QStringLiteral("ZELVAR projects (*.zelvar)"));
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".zelvar");
    return save_to(path);
}

QStringList ProjectController::recent() const { return settings().value(kRecentKey).toStringList(); }

void ProjectController::remember(const QString& path) {
    QStringList list = recent();
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > kRecentCount) list.removeLast();
    QSettings s = settings();
    s.setValue(kRecentKey, list);
    s.sync();
    fill_recent_menu();
}

void ProjectController::fill_recent_menu() {
    recent_menu_->clear();
    const QStringList list = recent();
    for (int i = 0; i < list.size(); ++i) {
        const QString path = list[i];
        QAction* a = recent_menu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
        a->setToolTip(path);
        a->setData(path);
        connect(a, &QAction::triggered, this, [this, path] { open_file(path); });
    }
    recent_menu_->setEnabled(!list.isEmpty());
}

QAction* ProjectController::action(const QString& text) const {
    for (QMenu* menu : {windows_.Fdesign->file_menu, windows_.Fdesign->analysis_menu, windows_.Fdesign->help_menu})
        for (QAction* a : menu->actions())
            if (a->text().remove('&') == text) return a;
    return nullptr;
}

void ProjectController::build_menus() {
    TFdesign* d = windows_.Fdesign;
    ZelvarWindows& w = windows_;
    const auto add = [this](QMenu* menu, const QString& text, const QKeySequence& keys, auto slot) {
        QAction* a = menu->addAction(text);
        a->setShortcut(keys);
        a->setShortcutVisibleInContextMenu(true);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    QMenu* file = d->file_menu;
    add(file, QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N), [this] { new_project(); });
    add(file, QStringLiteral("&Open\u2026"), QKeySequence(Qt::CTRL | Qt::Key_O), [this] { open_project(); });
    recent_menu_ = file->addMenu(QStringLiteral("Open &Recent"));
    fill_recent_menu();
    add(file, QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S), [this] { save(); });
    add(file, QStringLiteral("Save &As\u2026"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { save_as(); });
    file->addSeparator();
    add(file, QStringLiteral("Save Re&port\u2026"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S),
        [d] { d->save_report_command(); });
    add(file, QStringLiteral("&Load Values\u2026"), QKeySequence(Qt::CTRL | Qt::Key_L),
        [d] { d->load_values_command(); });
    file->addSeparator();
    add(file, QStringLiteral("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), [d] { d->close(); });

    QMenu* analysis = d->analysis_menu;
    add(analysis, QStringLiteral("Simulation &Parameters"), QKeySequence(Qt::CTRL | Qt::Key_P),
        [&w] { bring_to_front(w.Fparam); });
    add(analysis, QStringLiteral("&Waveforms"), QKeySequence(Qt::CTRL | Qt::Key_W), [&w] { bring_to_front(w.Fwave); });
    add(analysis, QStringLiteral("Spark-&Gap Magnifier"), QKeySequence(Qt::CTRL | Qt::Key_G),
        [d] { d->Button1Click(); });
    add(analysis, QStringLiteral("&Tolerance Analysis"), QKeySequence(Qt::CTRL | Qt::Key_T),
        [&w] { bring_to_front(w.Ftolerance); });
    add(analysis, QStringLiteral("&Mode Explorer"), QKeySequence(Qt::CTRL | Qt::Key_M), [d] { d->BmodesClick(); });
    add(analysis, QStringLiteral("&Frequency Response"), QKeySequence(Qt::CTRL | Qt::Key_R),
        [&w] { w.Fparam->BresponseClick(); });
    add(analysis, QStringLiteral("M&easured Resonances"), QKeySequence(Qt::CTRL | Qt::Key_E),
        [&w] { w.Fparam->BmeasuredClick(); });
    // Like its button, enabled with "Simulate".
    add(analysis, QStringLiteral("Wi&ndings"), QKeySequence(Qt::ALT | Qt::Key_W), [d] {
        if (d->Bwindings->isEnabled()) d->Bwindings->click();
    });

    QMenu* help = d->help_menu;
    add(help, QStringLiteral("&Manual"), QKeySequence(Qt::CTRL | Qt::Key_F1), [this] { show_manual(); });
    add(help, QStringLiteral("&About ZELVAR Designer"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F1),
        [this] { show_about(); });
}

void ProjectController::show_manual() {
    if (manual_ == nullptr) {
        manual_ = new QWidget(windows_.Fdesign, Qt::Window);
        manual_->setObjectName("Fmanual");
        manual_->setWindowTitle(QStringLiteral("ZELVAR Designer manual"));
        manual_->setAttribute(Qt::WA_QuitOnClose, false);
        auto* layout = new QVBoxLayout(manual_);
        auto* text = new QTextBrowser(manual_);
        text->setObjectName("manual_text");
        text->setOpenExternalLinks(false);
        QFile readme(QStringLiteral(":/zelvar/README.md"));
        if (readme.open(QIODevice::ReadOnly))
            text->setMarkdown(QString::fromUtf8(readme.readAll()));
        else
            text->setPlainText(QStringLiteral("The manual is the README of ZELVAR Designer and the manual pages "
                                              "zelvar(1) and zelvar-cli(1)."));
        layout->addWidget(text);
        manual_->resize(760, 640);
    }
    bring_to_front(manual_);
}

QString about_text() {
    return QStringLiteral(
               "ZELVAR Designer %1\n"
               "Design and simulation of triple-resonance networks (magnifier Tesla coils).\n"
               "\n"
               "Copyright 2026 ZELVAR Designer developers\n"
               "Licence: GNU General Public License, version 3 or later (GPL-3.0-or-later).\n"
               "This program is free software: you can redistribute it and/or modify it under the terms of "
               "that licence. It comes with ABSOLUTELY NO WARRANTY.\n"
               "\n"
               "Libraries:\n"
               "Qt %2 (built with %3): Core, GUI, Widgets, SVG, Charts\n"
               "CLI11 %4 (zelvar-cli)\n"
               "GNU C++ library, compiled by GCC %5")
        .arg(QStringLiteral(ZELVAR_VERSION), QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR),
             QStringLiteral(CLI11_VERSION), QStringLiteral(__VERSION__));
}

void ProjectController::show_about() {
    QMessageBox box(QMessageBox::Information, QStringLiteral("About ZELVAR Designer"), about_text(),
                    QMessageBox::Ok, windows_.Fdesign);
    box.exec();
}

}  // namespace zelvar
