// SPDX-License-Identifier: GPL-3.0-or-later
// main() of the GUI tests: real widgets on the offscreen platform unless a
// platform is named, so that test discovery never needs a display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtGlobal>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The recent projects go to a folder of the tests' own, never the user's.
    QTemporaryDir settings(QDir::tempPath() + QStringLiteral("/zelvar-settings-XXXXXX"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
