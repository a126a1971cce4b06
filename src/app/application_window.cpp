// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application_window.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QStringList>
#include <cstdio>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>

#include "app/error_box_widget.h"
#include "app/project_window.h"
#include "coil/windings_window.h"
#include "design/design_window.h"
#include "idealmag/idealmag_window.h"
#include "plot/picture_file_render.h"
#include "plot/wave_window.h"
#include "sim/param_window.h"
#include "sim/tolerance_window.h"
#include "widgets/field_tooltip_widget.h"
#include "widgets/radio_group_widget.h"

namespace zelvar {

namespace {

// The widest caption of the windows, and its width in a laid-out face
// (DejaVu Sans Condensed) in units of the face's pixel size.
constexpr char kWidestCaption[] = "l*w0 (incomplete transfer)";
constexpr qreal kWidestCaptionEm = 11.85;

qreal& window_point_size() {
    static qreal size = 8;
    return size;
}

}  // namespace

qreal fitted_point_size(const QFont& font) {
    QFont f = font;
    f.setPointSizeF(8);
    const qreal target = kWidestCaptionEm * QFontInfo(f).pixelSize();
    qreal size = 8;
    while (size > 6 && QFontMetricsF(f).horizontalAdvance(QLatin1String(kWidestCaption)) > target) {
        size -= 0.5;
        f.setPointSizeF(size);
    }
    return size;
}

void setup_application() {
    QCoreApplication::setApplicationName(QString::fromLatin1(kAppTitle));
    // Where "MS Sans Serif" is missing, prefer a face of about its width, so
    // that the captions fit the controls laid out for it.
    substitute_narrow_faces();
    // Where none of them is installed either, the machine's own sans serif
    // takes their place at the size that keeps the widest caption inside its
    // control, and the program says so once on standard error.
    const QString family = QFontInfo(QFont(QStringLiteral("MS Sans Serif"), 8)).family();
    if (family != QLatin1String("MS Sans Serif") && !narrow_faces().contains(family)) {
        window_point_size() = fitted_point_size(QFont(family, 8));
        std::fprintf(stderr,
                     "zelvar: none of the fonts %s is installed (Debian: fonts-dejavu-extra); "
                     "the windows use %s at %.1f pt\n",
                     narrow_faces().join(QStringLiteral(", ")).toLocal8Bit().constData(),
                     family.toLocal8Bit().constData(), static_cast<double>(window_point_size()));
    }
}

QFont window_font() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(window_point_size());
    return font;
}

QFont log_font() {
    const QString courier = QStringLiteral("Courier New");
    QFont font(courier, 8);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    // Where the face that stands in for Courier New is not a fixed-pitch one
    // (fontconfig may give Noto Sans Mono, which Qt does not take as such),
    // the report's columns would not line up: then Courier New's metric
    // twin Liberation Mono, or DejaVu Sans Mono (which comes with the
    // program's fonts), where installed.
    if (!QFontInfo(font).fixedPitch())
        font.setFamilies({courier, QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    return font;
}

QLabel* make_label(QWidget* parent, const char* name, const char* caption, int left, int top) {
    auto* l = new QLabel(QString::fromLatin1(caption), parent);
    l->setObjectName(name);
    l->move(left, top);
    l->adjustSize();
    return l;
}

void bring_to_front(QWidget* window) {
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}

void chain_tab_order(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    auto link = [&previous](QWidget* w) {
        if (previous != nullptr) QWidget::setTabOrder(previous, w);
        previous = w;
    };
    for (QWidget* w : widgets) {
        if (auto* group = qobject_cast<TRadioGroup*>(w)) {
            for (int i = 0; i < group->count(); ++i) link(group->item(i));
        } else {
            link(w);
        }
    }
}

ZelvarWindows::ZelvarWindows() {
    Fdesign = new TFdesign(document);
    Fwave = new TFwave(document, Fdesign->report_log(), nullptr);
    Fparam = new TFparam(document, nullptr);
    Fidealmag = new TFidealmag(nullptr);
    Ftolerance = new TFtolerance([param = Fparam] { return param->read_params(); }, Fdesign->report_log(), nullptr);
    Fwindings = new TFwindings(*Fparam, document, Fdesign->report_log(), nullptr);

    TFparam* param = Fparam;
    Fwave->set_inputs(TFwave::Inputs{[param] { return param->read_params(); },
                                     [param] { return param->read_scales(); },
                                     [param] { param->refresh_ref_buttons(); }});
    Fparam->set_wave_window(Fwave);
    // Values loaded from a file enable "Simulate" as a design run does.
    QObject::connect(Fparam, &TFparam::values_loaded, Fdesign, &TFdesign::enable_simulate);
    Fparam->set_tolerance_window(Ftolerance);
    Fparam->set_report_log(&Fdesign->report_log());
    for (QWidget* w : std::initializer_list<QWidget*>{Fdesign, Fparam, Fidealmag, Ftolerance, Fwindings})
        apply_field_tooltips(w);
    Fdesign->set_windows(Fparam, Fidealmag);
    Fidealmag->set_windows(Fparam, Fdesign);
    Fdesign->set_windings_window(Fwindings);
    project = new ProjectController(*this);
}

ZelvarWindows::~ZelvarWindows() {
    delete project;
    delete Fwindings;
    delete Ftolerance;
    delete Fidealmag;
    delete Fparam;
    delete Fwave;
    delete Fdesign;
}

void ZelvarWindows::show_main() { Fdesign->show(); }

}  // namespace zelvar
