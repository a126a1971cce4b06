// ZELVAR Designer: the desktop program.
#include <QApplication>

#include "app/application_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    zelvar::setup_application();
    zelvar::ZelvarWindows windows(zelvar::sim_state());
    windows.show_main();
    return app.exec();
}
