// SPDX-License-Identifier: GPL-3.0-or-later
#include "coil/windings_window.h"

#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <exception>

#include "app/application_window.h"
#include "app/atomic_file.h"
#include "app/error_box_widget.h"
#include "app/faults.h"
#include "coil/cross_section_render.h"
#include "coil/sheet_text.h"
#include "sim/param_window.h"
#include "widgets/numeric_text.h"
#include "widgets/file_dialog_widget.h"
#include "widgets/radio_group_widget.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {

namespace {

constexpr int kClientWidth = 1000;
constexpr int kClientHeight = 640;
constexpr int kFieldLeft = 128;
constexpr int kFieldWidth = 97;

TNEdit* field(QWidget* parent, const char* name, const char* caption, int top, long double value) {
    QLabel* label = make_label(parent, (std::string("L") + name).c_str(), caption, 16, top + 3);
    const std::string text = real_display_text(value);
    TNEdit* f = make_field(parent, name, kFieldLeft, top, kFieldWidth, 21, text.c_str(), value, 0,
                           tipo_campo::real_field);
    label->setBuddy(f);
    return f;
}

QLabel* heading(QWidget* parent, const char* name, const char* caption, int top) {
    QLabel* l = make_label(parent, name, caption, 8, top);
    QFont bold = l->font();
    bold.setBold(true);
    l->setFont(bold);
    l->adjustSize();
    return l;
}

// `path` without a .txt, .svg or .png ending (any case).
std::string sheet_base(const std::string& path) {
    if (path.size() > 4) {
        std::string end = path.substr(path.size() - 4);
        for (char& c : end) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (end == ".txt" || end == ".svg" || end == ".png") return path.substr(0, path.size() - 4);
    }
    return path;
}

}  // namespace

TWindingsDrawing::TWindingsDrawing(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TWindingsDrawing::set_sheet(const coil::WindingSheet* sheet) {
    sheet_ = sheet;
    update();
}

coil::CrossSection TWindingsDrawing::geometry() const {
    if (sheet_ == nullptr) {
        coil::CrossSection empty;
        empty.width = width();
        empty.height = height();
        return empty;
    }
    return coil::cross_section(*sheet_, width(), height());
}

QImage TWindingsDrawing::picture() const {
    return cross_section_image(geometry(), font(), logicalDpiX(), logicalDpiY());
}

void TWindingsDrawing::paintEvent(QPaintEvent*) {
    QPainter p(this);
    try {
        p.drawImage(0, 0, picture());
    } catch (...) {
        // Nothing crosses the paint: an empty box instead.
        p.fillRect(rect(), Qt::white);
    }
}

TFwindings::TFwindings(TFparam& param, SimDocument& state, ReportSink& log, QWidget* parent)
    : QWidget(parent), param_(param), state_(state), log_(log) {
    setObjectName("Fwindings");
    setWindowTitle("Windings");
    setFont(window_font());
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(kClientWidth, kClientHeight);
    // Centred on the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.left() + (area.width() - kClientWidth) / 2, area.top() + (area.height() - kClientHeight) / 2);
    }

    const coil::WindingChoices d = coil::default_winding_choices();
    heading(this, "Lsecondary", "Secondary", 8);
    NEsecdiameter = field(this, "NEsecdiameter", "Diameter (m)", 26, d.secondary.diameter);
    NEsecwire = field(this, "NEsecwire", "Wire (m)", 50, d.secondary.wire);
    NEsecpitch = field(this, "NEsecpitch", "Pitch (m)", 74, d.secondary.pitch);
    heading(this, "Lextra", "Extra coil", 104);
    NEextdiameter = field(this, "NEextdiameter", "Diameter (m)", 122, d.extra.diameter);
    NEextwire = field(this, "NEextwire", "Wire (m)", 146, d.extra.wire);
    NEextpitch = field(this, "NEextpitch", "Pitch (m)", 170, d.extra.pitch);
    heading(this, "Lprimary", "Primary", 200);
    RGshape = new TRadioGroup("Shape", {"Flat spiral", "Helix"}, this);
    RGshape->setObjectName("RGshape");
    RGshape->setGeometry(16, 218, 209, 61);
    RGshape->set_item_index(static_cast<int>(d.primary.shape));
    NEpridiameter = field(this, "NEpridiameter", "Inner diameter (m)", 286, d.primary.diameter);
    NEpriconductor = field(this, "NEpriconductor", "Conductor (m)", 310, d.primary.conductor);
    NEpripitch = field(this, "NEpripitch", "Pitch (m)", 334, d.primary.pitch);
    heading(this, "Ltop", "Top terminal", 364);
    RGtop = new TRadioGroup("Kind", {"Toroid", "Sphere"}, this);
    RGtop->setObjectName("RGtop");
    RGtop->setGeometry(16, 382, 209, 61);
    RGtop->set_item_index(static_cast<int>(d.top.kind));
    NEtopratio = field(this, "NEtopratio", "Tube / outer", 450, d.top.ratio);

    Buselosses = new QPushButton("Use losses", this);
    Buselosses->setObjectName("Buselosses");
    Buselosses->setGeometry(16, 488, 97, 25);
    Buselosses->setAutoDefault(true);
    Bsave = new QPushButton(QString::fromUtf8("Save sheet\u2026"), this);
    Bsave->setObjectName("Bsave");
    Bsave->setGeometry(128, 488, 97, 25);
    Bsave->setAutoDefault(true);

    PBdrawing = new TWindingsDrawing(this);
    PBdrawing->setObjectName("PBdrawing");
    PBdrawing->setGeometry(236, 8, 460, 596);

    Msheet = new QPlainTextEdit(this);
    Msheet->setObjectName("Msheet");
    Msheet->setGeometry(704, 8, 288, 596);
    Msheet->setReadOnly(true);
    Msheet->setFont(log_font());
    Msheet->setLineWrapMode(QPlainTextEdit::NoWrap);

    Lstatus = new QLabel(this);
    Lstatus->setObjectName("Lstatus");
    Lstatus->setGeometry(8, 612, 984, 21);
    Lstatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

    chain_tab_order({NEsecdiameter, NEsecwire, NEsecpitch, NEextdiameter, NEextwire, NEextpitch, RGshape,
                     NEpridiameter, NEpriconductor, NEpripitch, RGtop, NEtopratio, Buselosses, Bsave, Msheet});

    for (TNEdit* f : {NEsecdiameter, NEsecwire, NEsecpitch, NEextdiameter, NEextwire, NEextpitch, NEpridiameter,
                      NEpriconductor, NEpripitch, NEtopratio})
        connect(f, &TNEdit::exited, this, &TFwindings::solve);
    for (TRadioGroup* g : {RGshape, RGtop})
        for (int i = 0; i < g->count(); ++i)
            connect(g->item(i), &QRadioButton::toggled, this, [this](bool on) {
                if (on) solve();
            });
    connect(Buselosses, &QPushButton::clicked, this, &TFwindings::BuselossesClick);
    connect(Bsave, &QPushButton::clicked, this, &TFwindings::BsaveClick);
    show_sheet();
}

coil::WindingTargets TFwindings::read_targets() const {
    coil::WindingTargets t;
    t.C1 = param_.NEC1->panel_real();
    t.L1 = param_.NEL1->panel_real();
    t.C2 = param_.NEC2->panel_real();
    t.L2 = param_.NEL2->panel_real();
    t.C3 = param_.NEC3->panel_real();
    t.L3 = param_.NEL3->panel_real();
    t.k12 = param_.NEk12->panel_real();
    t.fin = param_.NEfin->panel_real();
    return t;
}

coil::WindingChoices TFwindings::read_choices() const {
    coil::WindingChoices c;
    c.secondary = {NEsecdiameter->panel_real(), NEsecwire->panel_real(), NEsecpitch->panel_real()};
    c.extra = {NEextdiameter->panel_real(), NEextwire->panel_real(), NEextpitch->panel_real()};
    c.primary.shape = RGshape->item_index() == 1 ? coil::PrimaryShape::helix : coil::PrimaryShape::spiral;
    c.primary.diameter = NEpridiameter->panel_real();
    c.primary.conductor = NEpriconductor->panel_real();
    c.primary.pitch = NEpripitch->panel_real();
    c.top.kind = RGtop->item_index() == 1 ? coil::TopKind::sphere : coil::TopKind::toroid;
    c.top.ratio = NEtopratio->panel_real();
    return c;
}

void TFwindings::solve() {
    std::string failure;
    try {
        const coil::WindingTargets targets = read_targets();
        const coil::WindingChoices choices = read_choices();
        const FpEnvironment fp_environment;
        coil::WindingSheet sheet = coil::solve_windings(targets, choices);
        fp_check();
        sheet_ = sheet;
    } catch (const std::exception& e) {
        failure = e.what();
    } catch (...) {
        failure = "Unknown error";
    }
    if (!failure.empty()) sheet_.reset();
    show_sheet();
    if (!failure.empty()) Lstatus->setText(QString::fromStdString(error_box_text(failure)));
}

void TFwindings::show_sheet() {
    PBdrawing->set_sheet(sheet_ ? &*sheet_ : nullptr);
    Buselosses->setEnabled(sheet_.has_value());
    Bsave->setEnabled(sheet_.has_value());
    if (!sheet_) {
        Msheet->clear();
        Lstatus->clear();
        return;
    }
    QString text = QString::fromStdString(coil::winding_sheet_text(*sheet_));
    if (text.endsWith('\n')) text.chop(1);  // the box's last line needs no ending
    Msheet->setPlainText(text);
    Lstatus->setText(QStringLiteral("Every target met."));
}

void TFwindings::open() {
    solve();
    bring_to_front(this);
}

void TFwindings::BuselossesClick() {
    run_guarded(this, [this] {
        if (!sheet_) throw Error("No winding sheet");
        param_.NER1->set_panel_real(sheet_->R1);
        param_.NER2->set_panel_real(sheet_->R2);
        param_.NER3->set_panel_real(sheet_->R3);
        mark_dirty(state_);
        Lstatus->setText(QStringLiteral("R1, R2 and R3 of the windings are in the simulation parameters."));
    });
}

void TFwindings::save_sheet(const std::string& path) {
    if (!sheet_) throw Error("No winding sheet to save");
    const std::string base = sheet_base(path);
    const std::string text_file = base + ".txt", svg_file = base + ".svg", png_file = base + ".png";
    try {
        write_file_atomically(text_file, coil::winding_sheet_text(*sheet_));
    } catch (const FileError& e) {
        throw Error("Sheet file " + text_file + " cannot be written: " + e.what());
    }
    report_line(log_, "Winding sheet saved in file " + text_file);
    const coil::CrossSection drawing = PBdrawing->geometry();
    save_cross_section_svg(svg_file, drawing, PBdrawing->font());
    report_line(log_, "Drawing saved in file " + svg_file);
    save_cross_section_png(png_file, drawing, PBdrawing->font(), PBdrawing->logicalDpiX(), PBdrawing->logicalDpiY());
    report_line(log_, "Drawing saved in file " + png_file);
}

void TFwindings::BsaveClick() {
    run_guarded(this, [this] {
        const QString path =
            choose_file_to_save(this, QStringLiteral("Save winding sheet"), QStringLiteral("windings.txt"),
                                QStringLiteral("Winding sheet with its drawing (*.txt);;All files (*)"));
        if (!path.isEmpty()) save_sheet(QFile::encodeName(path).toStdString());
    });
}

void TFwindings::closeEvent(QCloseEvent* event) {
    hide();
    event->accept();
}

}  // namespace zelvar
