// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/error_box_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

TEST(ErrorBox, CaptionIconAndMessageWithFullStop) {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        box->accept();
    });
    zelvar::show_error_box(nullptr, "1,5 is not a valid number");
    EXPECT_EQ(title, "ZELVAR Designer");
    EXPECT_EQ(text, "1,5 is not a valid number.");
    EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST(ErrorBox, MessageIsPlainTextCharacterForCharacter) {
    // Refused field texts that read as markup are shown as typed.
    for (const char* typed : {"<b>big</b>", "a &amp; b", "<i>x"}) {
        const QString message = QString::fromUtf8(typed) + " is not a valid number";
        QString shown;
        bool plain = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            auto* label = box->findChild<QLabel*>("qt_msgbox_label");
            ASSERT_NE(label, nullptr);
            shown = label->text();
            plain = label->textFormat() == Qt::PlainText ||
                    (label->textFormat() == Qt::AutoText && !Qt::mightBeRichText(shown));
            box->accept();
        });
        zelvar::show_error_box(nullptr, message.toStdString());
        EXPECT_EQ(shown, message + ".") << typed;
        EXPECT_TRUE(plain) << typed;
    }
}
