// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/project_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTextBrowser>
#include <cstring>
#include <fstream>
#include <sstream>

#include "app/dispatch_cli.h"
#include "design/modes_window.h"
#include "fit/measured_window.h"
#include "report/format.h"
#include "sim/response_window.h"
#include "gui_helpers_guitest.h"
#include "scratch_dir.h"
#include "sim/sim_run.h"
#include "sim/tolerance_window.h"
#include "coil/windings_window.h"
#include "widgets/radio_group_widget.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {
namespace {

bool same_bits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

class ProjectWindows : public guitest::ProgramWindows {
protected:
    ProjectController& project() { return *windows->project; }

    // The window that holds a section's controls.
    QWidget* window_of(const std::string& section) {
        if (section == "design") return d;
        if (section == "simulation" || section == "scales") return p;
        if (section == "magnifier") return m;
        if (section == "tolerance") return windows->Ftolerance;
        if (section == "modes") return d->modes_window();
        if (section == "windings") return windows->Fwindings;
        if (section == "measured") return p->measured_window();
        return nullptr;
    }

    // What a key's control holds now.
    InputValue control_value(const std::string& section, const InputKey& k) {
        QWidget* w = window_of(section);
        const QString name = QString::fromStdString(k.control);
        switch (k.kind) {
            case InputKind::real: return InputValue::of_real(w->findChild<TNEdit*>(name)->panel_real());
            case InputKind::integer: return InputValue::of_integer(w->findChild<TNEdit*>(name)->panel_int());
            case InputKind::flag: return InputValue::of_flag(w->findChild<QCheckBox*>(name)->isChecked());
            case InputKind::choice: return InputValue::of_choice(w->findChild<TRadioGroup*>(name)->item_index());
        }
        return {};
    }

    // Sets every control of every window to a value unlike its default, as
    // the fields' setters do; the values set, in key order.
    std::vector<InputValue> change_every_control() {
        std::vector<InputValue> set;
        int i = 0;
        for (const ProjectSection& s : project_sections())
            for (const InputKey& k : s.keys) {
                QWidget* w = window_of(s.name);
                const QString name = QString::fromStdString(k.control);
                const InputValue now = control_value(s.name, k);
                InputValue v = now;
                switch (k.kind) {
                    case InputKind::real:
                        v.real = (i + 2) / 7.0L * (k.in_range == nullptr ? 1e-6L : 1);
                        w->findChild<TNEdit*>(name)->set_panel_real(v.real);
                        break;
                    case InputKind::integer:
                        v.integer = 300 + i;
                        w->findChild<TNEdit*>(name)->set_panel_int(v.integer);
                        break;
                    case InputKind::flag:
                        v.flag = !now.flag;
                        w->findChild<QCheckBox*>(name)->setChecked(v.flag);
                        break;
                    case InputKind::choice:
                        v.choice = (now.choice + 1) % static_cast<int>(k.words.size());
                        w->findChild<TRadioGroup*>(name)->set_item_index(v.choice);
                        break;
                }
                set.push_back(v);
                ++i;
            }
        return set;
    }

    std::vector<InputValue> every_control() {
        std::vector<InputValue> values;
        for (const ProjectSection& s : project_sections())
            for (const InputKey& k : s.keys) values.push_back(control_value(s.name, k));
        return values;
    }

    static void expect_same(const std::vector<InputValue>& a, const std::vector<InputValue>& b) {
        ASSERT_EQ(a.size(), b.size());
        std::size_t i = 0;
        for (const ProjectSection& s : project_sections())
            for (const InputKey& k : s.keys) {
                SCOPED_TRACE(s.name + "." + k.key);
                EXPECT_TRUE(same_bits(a[i].real, b[i].real));
                EXPECT_EQ(a[i].integer, b[i].integer);
                EXPECT_EQ(a[i].flag, b[i].flag);
                EXPECT_EQ(a[i].choice, b[i].choice);
                ++i;
            }
    }
};

TEST_F(ProjectWindows, EveryInputOfEveryWindowComesBackBitForBit) {
    testdata::ScratchDir dir("zelvar-project-window");
    const std::vector<InputValue> start = every_control();
    const std::vector<InputValue> set = change_every_control();
    ASSERT_TRUE(project().save_to("coil.zelvar"));
    EXPECT_EQ(report().back(), "Project saved in file coil.zelvar");

    ASSERT_TRUE(project().new_project());
    expect_same(every_control(), start);
    ASSERT_TRUE(project().open_file("coil.zelvar"));
    expect_same(every_control(), set);
    EXPECT_TRUE(d->Bsimulate->isEnabled());
    EXPECT_TRUE(windows->document.dirty);
    EXPECT_EQ(project().recent().value(0), QDir::current().absoluteFilePath("coil.zelvar"));
}

TEST_F(ProjectWindows, ADamagedFileChangesNothingAndItsBoxNamesTheKey) {
    testdata::ScratchDir dir("zelvar-project-damaged");
    change_every_control();
    ASSERT_TRUE(project().save_to("good.zelvar"));
    std::ifstream in("good.zelvar");
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string good = buffer.str();
    ASSERT_TRUE(project().new_project());
    const std::vector<InputValue> before = every_control();

    const auto damaged = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
        return text;
    };
    const struct {
        std::string text, key;
    } cases[] = {
        {damaged("\n}\n", "\n"), "is not JSON"},
        {damaged("\"square\": ", "\"square\": 7, \"x\": "), "key simulation.square"},
        {damaged("\"points\": ", "\"points\": 1e400, \"y\": "), "key simulation.points"},
        {damaged("\"tol_L1\": ", "\"tol_L1\": -1, \"z\": "), "key tolerance.tol_L1"},
        {damaged("\"k12_max\": ", "\"k12_max\": 1e5000, \"w\": "), "key modes.k12_max"},
        {damaged("\"version\": 1", "\"version\": 9"), "format version 9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        std::ofstream("bad.zelvar", std::ios::trunc) << c.text;
        BoxCatcher boxes;
        EXPECT_FALSE(project().open_file("bad.zelvar"));
        ASSERT_EQ(boxes.boxes.size(), 1u);
        const QString text = boxes.boxes[0].text;
        EXPECT_NE(text.indexOf("Project file bad.zelvar"), -1) << text.toStdString();
        EXPECT_NE(text.indexOf(QString::fromStdString(c.key)), -1) << text.toStdString();
        expect_same(every_control(), before);
        EXPECT_TRUE(project().file().isEmpty());
    }
}

TEST_F(ProjectWindows, TheTitleMarksChangesAndTheQuestionsAnswersSaveDiscardOrCancel) {
    testdata::ScratchDir dir("zelvar-project-title");
    const QString own = "Triple resonance network designer";
    EXPECT_EQ(d->windowTitle(), own);
    int asked = 0;
    QMessageBox::StandardButton answer = QMessageBox::Cancel;
    project().ask = [&](const QString&) {
        ++asked;
        return answer;
    };
    // Nothing changed: New asks nothing.
    EXPECT_TRUE(project().new_project());
    EXPECT_EQ(asked, 0);

    ASSERT_TRUE(activate(d));
    retype(d->NEC1, "6E-9");
    EXPECT_EQ(d->windowTitle(), "*" + own);
    ASSERT_TRUE(project().save_to("coil.zelvar"));
    EXPECT_EQ(d->windowTitle(), "coil.zelvar - " + own);
    click_through_window(d->Bdesign);  // a design run changes the inputs too
    EXPECT_EQ(d->windowTitle(), "*coil.zelvar - " + own);

    // Cancel: nothing happens.
    answer = QMessageBox::Cancel;
    EXPECT_FALSE(project().new_project());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(d->NEC1->panel_real(), 6e-9L);
    EXPECT_EQ(d->windowTitle(), "*coil.zelvar - " + own);
    // Closing the design window asks too, and Cancel keeps it open.
    EXPECT_FALSE(d->close());
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(d->isVisible());

    // Save: the file is written, then New.
    answer = QMessageBox::Save;
    retype(d->NEL3, "0.04");
    QTest::keyClick(d->NEL3, Qt::Key_Tab);
    EXPECT_TRUE(project().new_project());
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(d->NEC1->panel_real(), 5e-9L);
    EXPECT_EQ(d->windowTitle(), own);
    ASSERT_TRUE(project().open_file("coil.zelvar"));
    EXPECT_EQ(d->NEL3->panel_real(), 0.04L);
    EXPECT_EQ(d->windowTitle(), "coil.zelvar - " + own);

    // Discard: the changes are lost, the file stays as it was.
    answer = QMessageBox::Discard;
    retype(d->NEL3, "0.05");
    EXPECT_TRUE(project().open_file("coil.zelvar"));
    EXPECT_EQ(asked, 4);
    EXPECT_EQ(d->NEL3->panel_real(), 0.04L);
    EXPECT_EQ(d->windowTitle(), "coil.zelvar - " + own);
}

TEST_F(ProjectWindows, TheMenuReachesEveryWindowAndShowsEveryShortcut) {
    const QStringList menus = {"File", "Analysis", "Help"};
    QStringList titles;
    for (QAction* a : d->menu_bar->actions()) titles << a->text().remove('&');
    EXPECT_EQ(titles, menus);
    // The client area keeps every control where it was; the bar is above it.
    EXPECT_EQ(d->client->geometry(), QRect(0, d->menu_bar->height(), 695, 647));
    EXPECT_EQ(d->size(), QSize(695, 647 + d->menu_bar->height()));

    const struct {
        const char* entry;
        QKeySequence keys;
    } file[] = {
        {"New", QKeySequence("Ctrl+N")},         {"Open…", QKeySequence("Ctrl+O")},
        {"Save", QKeySequence("Ctrl+S")},        {"Save As…", QKeySequence("Ctrl+Shift+S")},
        {"Save Report…", QKeySequence("Ctrl+Alt+S")}, {"Load Values…", QKeySequence("Ctrl+L")},
        {"Quit", QKeySequence("Ctrl+Q")},        {"Manual", QKeySequence("Ctrl+F1")},
        {"About ZELVAR Designer", QKeySequence("Ctrl+Shift+F1")},
    };
    for (const auto& f : file) {
        QAction* a = project().action(QString::fromUtf8(f.entry));
        ASSERT_NE(a, nullptr) << f.entry;
        EXPECT_EQ(a->shortcut(), f.keys) << f.entry;
    }

    const auto modes = [this] { return d->modes_window(); };
    const struct {
        const char* entry;
        QKeySequence keys;
        std::function<QWidget*()> window;
    } analysis[] = {
        {"Simulation Parameters", QKeySequence("Ctrl+P"), [this] { return p; }},
        {"Waveforms", QKeySequence("Ctrl+W"), [this] { return windows->Fwave; }},
        {"Spark-Gap Magnifier", QKeySequence("Ctrl+G"), [this] { return m; }},
        {"Tolerance Analysis", QKeySequence("Ctrl+T"), [this] { return windows->Ftolerance; }},
        {"Mode Explorer", QKeySequence("Ctrl+M"), modes},
        {"Frequency Response", QKeySequence("Ctrl+R"), [this] { return p->response_window(); }},
        {"Measured Resonances", QKeySequence("Ctrl+E"), [this] { return p->measured_window(); }},
        {"Windings", QKeySequence("Alt+W"), [this] { return windows->Fwindings; }},
    };
    click_through_window(d->Bdesign);  // a circuit for the plot and the response
    BoxCatcher boxes;
    QStringList listed;
    for (QAction* a : d->analysis_menu->actions()) listed << a->text().remove('&');
    ASSERT_EQ(listed.size(), static_cast<qsizetype>(std::size(analysis)));
    for (const auto& e : analysis) {
        SCOPED_TRACE(e.entry);
        QAction* a = project().action(e.entry);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->shortcut(), e.keys);
        EXPECT_FALSE(a->shortcut().isEmpty());
        ASSERT_TRUE(activate(d));
        QTest::keySequence(d, e.keys);  // the key as the user presses it
        QWidget* w = e.window();
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->isVisible());
    }
    if (d->modes_window() != nullptr)
        for (int i = 0; i < 500 && d->modes_window()->busy(); ++i) QTest::qWait(10);
    boxes.settle();
    EXPECT_TRUE(boxes.boxes.empty());

    // Help > Manual shows the README, built into the program.
    project().action("Manual")->trigger();
    auto* manual = d->findChild<QTextBrowser*>("manual_text");
    ASSERT_NE(manual, nullptr);
    EXPECT_TRUE(manual->isVisible());
    EXPECT_NE(manual->toPlainText().indexOf("zelvar-cli simulate --project coil.zelvar"), -1);
    EXPECT_NE(about_text().indexOf("GPL-3.0-or-later"), -1);
    EXPECT_NE(about_text().indexOf(QString("Qt ") + qVersion()), -1);
    EXPECT_NE(about_text().indexOf("CLI11 "), -1);
}

TEST_F(ProjectWindows, TheCommandLineRunsTheProjectTheWindowSaved) {
    testdata::ScratchDir dir("zelvar-project-cli");
    click_through_window(d->Bdesign);
    retype(p->NER1, "0.7");
    retype(p->NER2, "35");
    retype(p->NEtmax, "6E-5");
    retype(p->NEpontos, "800");
    p->CBmaxima->setChecked(true);
    ASSERT_TRUE(activate(p));
    QTest::keyClick(p->NEpontos, Qt::Key_Tab);
    ASSERT_TRUE(project().save_to("coil.zelvar"));

    LineCollector log;
    SimResult result;
    ASSERT_TRUE(run_simulation(p->read_params(), log, result, false));
    std::ostringstream out, err;
    ASSERT_EQ(run_cli({"simulate", "--project", "coil.zelvar"}, out, err), kExitCompleted) << err.str();
    std::string expected;
    for (const std::string& line : log.lines) expected += latin1_to_utf8(line) + "\n";
    expected += "Run completed: 800 points.\n";
    EXPECT_EQ(out.str(), expected);
    EXPECT_NE(expected.find("Maximum values:"), std::string::npos);
}

// Recent projects are remembered, but a start without a project keeps the
// windows' defaults.
TEST(ProjectStart, TheDefaultsStayWhenNoProjectIsOpenedWhateverIsRecent) {
    testdata::ScratchDir dir("zelvar-project-start");
    setup_application();
    {
        ZelvarWindows first;
        first.Fparam->NER1->set_panel_real(9);
        first.Fdesign->NEk->set_panel_real(3);
        ASSERT_TRUE(first.project->save_to("coil.zelvar"));
    }
    ZelvarWindows windows;
    EXPECT_EQ(windows.project->recent().value(0), QDir::current().absoluteFilePath("coil.zelvar"));
    EXPECT_EQ(windows.Fdesign->windowTitle(), "Triple resonance network designer");
    const Project now = windows.project->inputs().capture();
    Project defaults;
    put_design_inputs(defaults, DesignInputs{});
    put_sim_params(defaults, SimParams{});
    put_scales(defaults, {1, 1, 1, 1, 1, 1, 1, 1});
    put_magnifier(defaults, MagnifierWindowInputs{});
    put_tolerance(defaults, ToleranceSettings{});
    put_modes_k12max(defaults, 1);
    put_windings(defaults, coil::default_winding_choices());
    put_measured(defaults, MeasuredWindowInputs{});
    EXPECT_EQ(project_text(now), project_text(defaults));
    // Open Recent lists it.
    QMenu* recent = nullptr;
    for (QAction* a : windows.Fdesign->file_menu->actions())
        if (a->menu() != nullptr) recent = a->menu();
    ASSERT_NE(recent, nullptr);
    ASSERT_FALSE(recent->actions().isEmpty());
    EXPECT_EQ(recent->actions()[0]->text(), "&1 coil.zelvar");
    recent->actions()[0]->trigger();
    EXPECT_EQ(windows.Fparam->NER1->panel_real(), 9);
    EXPECT_EQ(windows.Fdesign->NEk->panel_real(), 3);
}

}  // namespace
}  // namespace zelvar
