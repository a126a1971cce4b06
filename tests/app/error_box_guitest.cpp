#include "app/error_box_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
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
