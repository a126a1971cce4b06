// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/file_dialog_widget.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QStyle>

namespace zelvar {

namespace {

// Icons and type names from the entry's kind only: no MIME sniffing (which
// reads a file whose name says nothing) and no icon theme lookup.
class KindOnlyIconProvider : public QAbstractFileIconProvider {
public:
    KindOnlyIconProvider() {
        QStyle* style = QApplication::style();
        file_ = style->standardIcon(QStyle::SP_FileIcon);
        folder_ = style->standardIcon(QStyle::SP_DirIcon);
        setOptions(DontUseCustomDirectoryIcons);
    }
    QIcon icon(IconType type) const override { return type == File ? file_ : folder_; }
    QIcon icon(const QFileInfo& info) const override { return info.isDir() ? folder_ : file_; }
    QString type(const QFileInfo& info) const override {
        return info.isDir() ? QStringLiteral("Folder") : QStringLiteral("File");
    }

private:
    QIcon file_, folder_;
};

void make_inert(QFileDialog& dialog, QAbstractFileIconProvider& provider) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontResolveSymlinks, true);
    dialog.setOption(QFileDialog::DontUseCustomDirectoryIcons, true);
    dialog.setIconProvider(&provider);
}

}  // namespace

QString choose_file_to_open(QWidget* parent, const QString& title, const QString& filter) {
    KindOnlyIconProvider provider;  // outlives the dialog
    QFileDialog dialog(parent, title, QString(), filter);
    make_inert(dialog, provider);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QString choose_file_to_save(QWidget* parent, const QString& title, const QString& suggested, const QString& filter,
                            QString* selected_filter) {
    KindOnlyIconProvider provider;  // outlives the dialog
    QFileDialog dialog(parent, title, QString(), filter);
    make_inert(dialog, provider);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!suggested.isEmpty()) dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    if (selected_filter != nullptr) *selected_filter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}

}  // namespace zelvar
