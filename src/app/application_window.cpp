#include "app/application_window.h"

#include <QCoreApplication>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>

#include "app/error_box_widget.h"
#include "design/design_window.h"
#include "idealmag/idealmag_window.h"
#include "plot/wave_window.h"
#include "sim/param_window.h"
#include "sim/tolerance_window.h"
#include "widgets/radio_group_widget.h"

namespace zelvar {

void setup_application() {
    QCoreApplication::setApplicationName(QString::fromLatin1(kAppTitle));
    // Where "MS Sans Serif" is missing, prefer a face of about its width, so
    // that the captions fit the controls laid out for it.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Tahoma"),
                                QStringLiteral("DejaVu Sans Condensed")});
}

QFont window_font() { return QFont(QStringLiteral("MS Sans Serif"), 8); }

QFont log_font() {
    QFont font(QStringLiteral("Courier New"), 8);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
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

ZelvarWindows::ZelvarWindows(SimState& state) {
    Fdesign = new TFdesign(state);
    Fwave = new TFwave(state, Fdesign->report_log(), nullptr);
    Fparam = new TFparam(state, nullptr);
    Fidealmag = new TFidealmag(nullptr);
    Ftolerance = new TFtolerance([param = Fparam] { return param->read_params(); }, Fdesign->report_log(), nullptr);

    TFparam* param = Fparam;
    Fwave->set_inputs(TFwave::Inputs{[param] { return param->read_params(); },
                                     [param] { return param->read_scales(); },
                                     [param] { param->refresh_ref_buttons(); }});
    Fparam->set_wave_window(Fwave);
    Fparam->set_tolerance_window(Ftolerance);
    Fdesign->set_windows(Fparam, Fidealmag);
    Fidealmag->set_windows(Fparam, Fdesign);
}

ZelvarWindows::~ZelvarWindows() {
    delete Ftolerance;
    delete Fidealmag;
    delete Fparam;
    delete Fwave;
    delete Fdesign;
}

void ZelvarWindows::show_main() { Fdesign->show(); }

}  // namespace zelvar
