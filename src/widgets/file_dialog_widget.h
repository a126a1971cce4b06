// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's file dialogs.  Every window asks for a file name through
// these two functions, never through QFileDialog's own helpers: the dialog
// is Qt's (not the desktop's), resolves no symbolic link, and names and
// draws the entries it lists from their kind alone (file or folder), never
// from their contents, so that no path typed or listed in it (a device, a
// FIFO, a /proc file) can make the windows wait on a read.
#include <QString>

class QWidget;

namespace zelvar {

// A file to read; empty when the user cancels.
QString choose_file_to_open(QWidget* parent, const QString& title, const QString& filter);

// A file to write: `suggested` is the name proposed, `selected_filter` (may
// be null) receives the filter chosen.  Empty when the user cancels.  An
// existing file is replaced only after the dialog's question.
QString choose_file_to_save(QWidget* parent, const QString& title, const QString& suggested, const QString& filter,
                            QString* selected_filter = nullptr);

}  // namespace zelvar
