// ZELVAR Designer: the desktop program.
#include <QApplication>

#include "app/application_window.h"

int main(int, char** argv) {
    // The program takes no command-line arguments: none reaches the toolkit
    // either (it would read a style sheet, mirror the layout, ...).
    static int toolkit_argc = 1;
    static char* toolkit_argv[] = {argv[0], nullptr};
    QApplication app(toolkit_argc, toolkit_argv);
    zelvar::setup_application();
    zelvar::ZelvarWindows windows;
    windows.show_main();
    return app.exec();
}
