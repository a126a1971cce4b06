// ZELVAR Designer: the desktop program.
#include <QApplication>
#include <QMainWindow>

#include "app/error_box_widget.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(zelvar::kAppTitle));
    QMainWindow window;
    window.setWindowTitle("Triple resonance network designer");
    window.resize(695, 647);
    window.show();
    return app.exec();
}
