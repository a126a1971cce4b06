// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's shell: its four windows, created in the order the program
// starts them and wired together, and what the windows share (fonts,
// bringing a window to the front, tab chains).
#include <QFont>
#include <initializer_list>

#include "sim/sim_document.h"

class QLabel;
class QWidget;

namespace zelvar {

class TFdesign;
class TFwave;
class TFparam;
class TFidealmag;
class TFtolerance;
class ProjectController;
class TFwindings;

// Application name and title (caption of the error box).
void setup_application();

// "MS Sans Serif" 8 pt, or what the machine puts in its place: a face of
// about its width, or, where none is installed, the machine's sans serif at
// the size setup_application() fitted.
QFont window_font();
// The point size, from 8 down to 6 in steps of 0.5, at which `font` draws the
// windows' widest caption no wider than a face they were laid out for.
qreal fitted_point_size(const QFont& font);
// "Courier New" 8 pt, fixed pitch, for the report log.
QFont log_font();

// A label sized to its caption, its top-left corner at (left, top).
QLabel* make_label(QWidget* parent, const char* name, const char* caption, int left, int top);

// Makes a window visible and brings it to the front.
void bring_to_front(QWidget* window);

// Tab order in the order given; a radio group stands for its items.
void chain_tab_order(std::initializer_list<QWidget*> widgets);

// The application: the simulation document and the four windows that share
// it.  The windows are created in order: design window (the main window),
// waveform window, simulation parameter window, ideal magnifier window; all
// hidden until show_main() shows the design window.  Document and windows
// live as long as this object.
class ZelvarWindows {
public:
    ZelvarWindows();
    ~ZelvarWindows();
    ZelvarWindows(const ZelvarWindows&) = delete;
    ZelvarWindows& operator=(const ZelvarWindows&) = delete;

    void show_main();

    SimDocument document;  // created before the windows, destroyed after them

    TFdesign* Fdesign;
    TFwave* Fwave;
    TFparam* Fparam;
    TFidealmag* Fidealmag;
    TFtolerance* Ftolerance;  // opened from the parameter window
    TFwindings* Fwindings;    // opened from the design window
    // The project (every window's inputs) and the design window's menus.
    ProjectController* project;
};

}  // namespace zelvar
