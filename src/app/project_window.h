// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The desktop program's project: the controls of every window bound to the
// sections of the project file (app/project_file.h), the design window's
// menus (File, Analysis, Help), its title with the project's name and the
// unsaved-changes mark, the question before unsaved work is lost, and the
// recent projects (the one setting the program keeps, in QSettings).
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "app/project_file.h"

class QAction;
class QCheckBox;
class QWidget;

namespace zelvar {

class TFdesign;
class TNEdit;
class TRadioGroup;
class ZelvarWindows;

// The controls of the windows, by section and key of the project file.  A
// window joins with one call of bind(); every control of its section is
// found by its object name, and what it holds now is taken as its start-up
// value (what New, and a key a file leaves out, put back).
class ProjectInputs {
public:
    // The connections to the controls end with `context`.
    explicit ProjectInputs(QObject* context) : context_(context) {}

    // Binds every key of `section` (one of project_sections()) to the
    // control of that name inside `window`; a missing control is a
    // programming error (std::logic_error).
    void bind(const std::string& section, QWidget* window);
    // Called when the user edits a bound control (types into a field,
    // clicks a check box or a radio item).
    void on_edit(std::function<void()> edited) { edited_ = std::move(edited); }

    // What every bound control holds (stored values).
    Project capture() const;
    // Sets every bound control through its setter as if typed and accepted
    // (a field's own exit action runs); a key the project does not hold gets
    // the control's start-up value.  The project has been validated by its
    // reader: nothing here refuses a value.
    void apply(const Project& project) const;

private:
    struct Bound {
        std::string section, key;
        InputKind kind;
        TNEdit* field = nullptr;
        QCheckBox* box = nullptr;
        TRadioGroup* group = nullptr;
        InputValue start;
    };
    InputValue read(const Bound& b) const;
    void write(const Bound& b, const InputValue& v) const;

    QObject* context_;
    std::vector<Bound> bound_;
    std::function<void()> edited_;
};

// The project of the running program and the design window's menus.
class ProjectController : public QObject {
    Q_OBJECT
public:
    explicit ProjectController(ZelvarWindows& windows);

    // The answer to "save the changes?": Save, Discard or Cancel.  Replaced by
    // tests; by default a message box asks.
    std::function<QMessageBox::StandardButton(const QString& question)> ask;

    // The file the project was last read from or saved in (empty: none).
    const QString& file() const { return file_; }
    bool modified() const { return modified_; }
    // The design window's title: "*" while there are unsaved changes, the
    // file's name and " - " when there is one, then the window's own title.
    QString title() const;

    // Commands of the File menu.  Each returns false when it did not happen
    // (cancelled, or an error the error box showed).
    bool new_project();
    bool open_project();            // asks for the file
    bool open_file(const QString& path);  // asks about unsaved changes first
    bool save();                    // Save As when there is no file yet
    bool save_as();                 // asks for the file
    bool save_to(const QString& path);
    // Before the program ends: false when the user cancels.
    bool may_close();

    // The recent projects, most recent first (at most 8).
    QStringList recent() const;

    ProjectInputs& inputs() { return inputs_; }

    // The menu entries, by their text without "&" (for the tests).
    QAction* action(const QString& text) const;

private:
    void build_menus();
    void fill_recent_menu();
    void remember(const QString& path);
    void set_state(const QString& file, bool modified);
    void mark_modified();
    // Unsaved changes: asks and saves when told to; false on Cancel.
    bool settle_changes();
    // Reads, validates and applies; errors raise zelvar::Error.
    void load(const QString& path);
    void show_manual();
    void show_about();

    ProjectInputs inputs_;
    ZelvarWindows& windows_;
    QString file_;
    bool modified_ = false;
    QMenu* recent_menu_ = nullptr;
    QWidget* manual_ = nullptr;
};

// The text of the About box (plain text, one item a line).
QString about_text();

}  // namespace zelvar
