// SPDX-License-Identifier: GPL-3.0-or-later
// ZELVAR Designer: the desktop program.  `zelvar [FILE]`: FILE, a project
// (.zelvar), is opened at start; without it the program starts with the
// windows' defaults.
#include <QApplication>
#include <QFile>
#include <cstdio>

#include "app/application_window.h"
#include "app/project_window.h"

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: zelvar [FILE.zelvar]\n");
        return 64;
    }
    // The program's only argument is the project: none reaches the toolkit
    // (it would read a style sheet, mirror the layout, ...).
    static int toolkit_argc = 1;
    static char* toolkit_argv[] = {argv[0], nullptr};
    QApplication app(toolkit_argc, toolkit_argv);
    zelvar::setup_application();
    zelvar::ZelvarWindows windows;
    windows.show_main();
    if (argc == 2) windows.project->open_file(QFile::decodeName(argv[1]));
    return app.exec();
}
