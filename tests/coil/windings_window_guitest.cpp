// SPDX-License-Identifier: GPL-3.0-or-later
// The "Windings" window driven as the user does, on the default design: its
// fields and options, the sheet and the drawing, "Use losses" and the saved
// sheet.
#include "coil/windings_window.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>
#include <string>

#include "../app/gui_helpers_guitest.h"
#include "../app/scratch_dir.h"
#include "app/faults.h"
#include "coil/sheet_text.h"
#include "widgets/numeric_text.h"
#include "widgets/radio_group_widget.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {
namespace {

class WindingsWindow : public guitest::ProgramWindows {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<testdata::ScratchDir>("zelvar-windings");
        ProgramWindows::SetUp();
        w = windows->Fwindings;
        ASSERT_TRUE(activate(d));
    }
    void TearDown() override {
        ProgramWindows::TearDown();
        scratch_.reset();
    }
    // The default design, then "Windings".
    void design_and_open() {
        click_through_window(d->Bdesign);
        ASSERT_TRUE(d->Bwindings->isEnabled());
        click_through_window(d->Bwindings);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    }
    static QByteArray read(const QString& name) {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    TFwindings* w = nullptr;

private:
    std::unique_ptr<testdata::ScratchDir> scratch_;
};

TEST_F(WindingsWindow, FieldsAreEntryFieldsWithTheDefaultsAndRefuseAsTheProgramDoes) {
    EXPECT_EQ(w->windowTitle(), "Windings");
    EXPECT_FALSE(w->isVisible());
    // The button: in the free space below "Simulate", outside the Tab chain,
    // disabled until a design completes.
    EXPECT_EQ(d->Bwindings->text(), "Windings");
    EXPECT_EQ(d->Bwindings->geometry(), QRect(8, 528, 121, 25));
    EXPECT_EQ(d->Bwindings->focusPolicy(), Qt::ClickFocus);
    for (QWidget* other : d->Bwindings->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (other == d->Bwindings || !other->isVisible() || other == d->Bevel1) continue;
        EXPECT_FALSE(other->geometry().intersects(d->Bwindings->geometry())) << other->objectName().toStdString();
    }
    EXPECT_FALSE(d->Bwindings->isEnabled());
    const coil::WindingChoices c = coil::default_winding_choices();
    const struct {
        TNEdit* field;
        long double value;
    } fields[] = {
        {w->NEsecdiameter, c.secondary.diameter}, {w->NEsecwire, c.secondary.wire},
        {w->NEsecpitch, c.secondary.pitch},       {w->NEextdiameter, c.extra.diameter},
        {w->NEextwire, c.extra.wire},             {w->NEextpitch, c.extra.pitch},
        {w->NEpridiameter, c.primary.diameter},   {w->NEpriconductor, c.primary.conductor},
        {w->NEpripitch, c.primary.pitch},         {w->NEtopratio, c.top.ratio},
    };
    for (const auto& f : fields) {
        EXPECT_EQ(f.field->field_type(), tipo_campo::real_field) << f.field->objectName().toStdString();
        EXPECT_EQ(f.field->panel_real(), f.value) << f.field->objectName().toStdString();
        EXPECT_EQ(f.field->text().toStdString(), real_display_text(f.value));
    }
    EXPECT_EQ(w->RGshape->item_index(), static_cast<int>(c.primary.shape));
    EXPECT_EQ(w->RGtop->item_index(), static_cast<int>(c.top.kind));
    EXPECT_EQ(w->RGshape->item(0)->text(), "Flat spiral");
    EXPECT_EQ(w->RGtop->item(1)->text(), "Sphere");

    design_and_open();
    const std::optional<coil::WindingSheet> before = w->sheet();
    ASSERT_TRUE(before.has_value());
    BoxCatcher boxes;
    retype(w->NEsecwire, "0,3E-3");
    QTest::keyClick(w->NEsecwire, Qt::Key_Tab);
    ASSERT_TRUE(boxes.wait_for(1));
    boxes.expect_error_box(0, "0,3E-3 is not a valid number.");
    EXPECT_EQ(w->NEsecwire->panel_real(), c.secondary.wire);
    EXPECT_EQ(w->sheet()->secondary.turns, before->secondary.turns);
}

TEST_F(WindingsWindow, ShowsTheSheetAndTheDrawingOfTheDefaultDesign) {
    design_and_open();
    ASSERT_TRUE(w->isVisible());
    const coil::WindingTargets t = w->read_targets();
    EXPECT_EQ(t.L2, p->NEL2->panel_real());
    EXPECT_EQ(t.k12, p->NEk12->panel_real());
    EXPECT_EQ(t.fin, p->NEfin->panel_real());
    ASSERT_TRUE(w->sheet().has_value()) << w->Lstatus->text().toStdString();
    const coil::WindingSheet expected = coil::solve_windings(t, coil::default_winding_choices());
    EXPECT_EQ(w->sheet()->secondary.turns, expected.secondary.turns);
    EXPECT_EQ(w->Msheet->toPlainText().toStdString() + "\n", coil::winding_sheet_text(expected));
    EXPECT_TRUE(w->Msheet->isReadOnly());
    EXPECT_EQ(w->Msheet->font(), log_font());  // the report log's fixed-pitch face
    EXPECT_EQ(w->Lstatus->text(), "Every target met.");

    // The drawing: copper windings, the aluminium terminal, blue dimensions.
    const QImage shown = w->PBdrawing->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int copper = 0, terminal = 0, blue = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb c = shown.pixel(x, y);
            copper += qRed(c) > qGreen(c) + 40 && qGreen(c) > qBlue(c);
            terminal += c == qRgb(214, 219, 226);
            blue += qBlue(c) > qRed(c) + 40;
        }
    EXPECT_GT(copper, 200);
    EXPECT_GT(terminal, 20);
    EXPECT_GT(blue, 500);

    // A choice the solve refuses: its message in the status line, no box,
    // no sheet and nothing to use or save.
    BoxCatcher boxes;
    retype(w->NEsecdiameter, "3");
    QTest::keyClick(w->NEsecdiameter, Qt::Key_Tab);
    boxes.settle();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_FALSE(w->sheet().has_value());
    coil::WindingChoices refused = coil::default_winding_choices();
    refused.secondary.diameter = 3;
    std::string message;
    try {
        coil::solve_windings(t, refused);
    } catch (const Error& e) {
        message = e.what();
    }
    ASSERT_FALSE(message.empty());
    EXPECT_EQ(w->Lstatus->text().toStdString(), error_box_text(message));
    EXPECT_TRUE(w->Msheet->toPlainText().isEmpty());
    EXPECT_FALSE(w->Buselosses->isEnabled());
    EXPECT_FALSE(w->Bsave->isEnabled());
}

TEST_F(WindingsWindow, UseLossesPutsTheSheetsResistancesIntoTheParametersAndMarksTheRun) {
    click_through_window(d->Bdesign);
    QTest::keyClick(d, Qt::Key_W, Qt::AltModifier);  // as "Windings"
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    ASSERT_TRUE(w->sheet().has_value());
    windows->document.dirty = false;
    click_through_window(w->Buselosses);
    EXPECT_EQ(p->NER1->panel_real(), w->sheet()->R1);
    EXPECT_EQ(p->NER2->panel_real(), w->sheet()->R2);
    EXPECT_EQ(p->NER3->panel_real(), w->sheet()->R3);
    EXPECT_EQ(p->NER2->text().toStdString(), real_display_text(w->sheet()->R2));
    EXPECT_TRUE(windows->document.dirty);
}

TEST_F(WindingsWindow, SavedSheetIsTheTextAndTheDrawingTheWindowShows) {
    design_and_open();
    ASSERT_TRUE(w->sheet().has_value());
    w->save_sheet("set.txt");
    EXPECT_EQ(QString::fromUtf8(read("set.txt")), w->Msheet->toPlainText() + "\n");
    EXPECT_TRUE(read("set.svg").contains("<svg"));
    QImage saved;
    ASSERT_TRUE(saved.loadFromData(read("set.png"), "PNG"));
    const QImage shown = w->PBdrawing->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(saved.size(), w->PBdrawing->size());
    EXPECT_TRUE(saved.convertToFormat(QImage::Format_RGB32) == shown);
    EXPECT_EQ(report().mid(report().size() - 3),
              QStringList({"Winding sheet saved in file set.txt", "Drawing saved in file set.svg",
                           "Drawing saved in file set.png"}));

    // A folder that is not there: the failure names the file, nothing is announced.
    const qsizetype lines = log_lines().size();
    std::string message;
    try {
        w->save_sheet("no/such/folder/set.png");
    } catch (const Error& e) {
        message = e.what();
    }
    EXPECT_EQ(message, "Sheet file no/such/folder/set.txt cannot be written: File not found");
    EXPECT_EQ(log_lines().size(), lines);
}

}  // namespace
}  // namespace zelvar
