// The window's controls as it is defined: kinds, captions, positions and sizes in twips, and
// their initial states, as one table that a short loop builds from.
#include <algorithm>
#include <cstddef>

#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "link/SpeedOptions.h"
#include "ui/FrmMain.h"
#include "ui/Twips.h"
#include "ui/WindowFonts.h"

namespace rkt5 {

namespace {

// A control is created with the type of the member that keeps it, so a row cannot build a
// button into a member that expects a box.
template <typename Control>
QWidget* create(Control*& member, QWidget* parent) {
    member = new Control(parent);
    return member;
}

template <auto Member>
QWidget* into(frmMain& window, QWidget* parent) {
    return create(window.*Member, parent);
}

template <auto Array, std::size_t Index>
QWidget* intoElement(frmMain& window, QWidget* parent) {
    return create((window.*Array)[Index], parent);
}

void setCaption(QWidget* control, const QString& caption) {
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(caption);
        // A dropped file goes to the window's own drop handler, not into the box as text.
        edit->setAcceptDrops(false);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(caption);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(caption);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(caption);
    }
}

enum ControlFlags : unsigned { kShown = 1u << 0, kChecked = 1u << 1, kDefault = 1u << 2 };

// A control as the window is defined: the member that keeps it (its type is the control's
// kind), its name, caption, place in twips and initial state.
struct ControlRow {
    QWidget* (*make)(frmMain&, QWidget* parent);
    const char* name;
    const char* caption;  // UTF-8; none for the progress bar and the speed options
    // What a screen reader says for it: the captions are short, some are Japanese, and the three
    // groups of step buttons repeat theirs.
    const char* accessibleName;
    int left, top, width, height;
    QGroupBox* frmMain::*group = nullptr;  // none: the client area
    unsigned flags = 0;
    double pointSize = 0;  // none: the window's font
};

void build(frmMain& window, const ControlRow& row, QWidget* client) {
    QWidget* control = row.make(window, row.group ? window.*row.group : client);
    control->setObjectName(row.name);
    control->setAccessibleName(QString::fromUtf8(row.accessibleName));
    if (row.caption) {
        setCaption(control, QString::fromUtf8(row.caption));
    }
    control->setGeometry(twipRect(row.left, row.top, row.width, row.height));
    control->setVisible((row.flags & kShown) != 0);
    if (row.flags & kChecked) {
        static_cast<QAbstractButton*>(control)->setChecked(true);
    }
    if (row.flags & kDefault) {
        static_cast<QPushButton*>(control)->setDefault(true);
    }
    if (row.pointSize != 0) {
        control->setFont(windowFont(row.pointSize));
    }
}

QString indexed(const char* name, int index) {
    return QString::fromLatin1(name) + QString::number(index);
}

}  // namespace

// One row per control, in the order they are created, which is also their tab order. Only the
// controls of the main face are shown; the engineering panel starts hidden.
struct frmMain::ControlTable {
    static constexpr ControlRow kRows[] = {
        {into<&frmMain::Label1>, "Label1", "Ver EG5.000", "Firmware version", 480, 240, 1575, 375,
         nullptr, kShown, 14.25},
        {into<&frmMain::cmdKirune>, "cmdKirune", "Start", "Start the update", 480, 720, 1455, 495,
         nullptr, kShown | kDefault, 21.75},
        {into<&frmMain::bar>, "bar", nullptr, "Update progress", 120, 1320, 2175, 255},
        // The three groups of step buttons, one per protocol mode, and the macro buttons.
        {into<&frmMain::Command1>, "Command1", "接続", "Connect, mode 0", 6720, 120, 975, 375},
        {into<&frmMain::cmbErase>, "cmbErase", "消去", "Erase, mode 0", 6720, 480, 975, 375},
        {into<&frmMain::cmbWrite>, "cmbWrite", "書き込み", "Write, mode 0", 6720, 840, 975, 375},
        {into<&frmMain::cmbEnd>, "cmbEnd", "切断", "Disconnect, mode 0", 6720, 1200, 975, 375},
        {into<&frmMain::Command4>, "Command4", "接続", "Connect, mode 1", 6720, 1680, 975, 375},
        {into<&frmMain::Command7>, "Command7", "消去", "Erase, mode 1", 6720, 2040, 975, 375},
        {into<&frmMain::Command6>, "Command6", "書き込み", "Write, mode 1", 6720, 2400, 975, 375},
        {into<&frmMain::Command5>, "Command5", "切断", "Disconnect, mode 1", 6720, 2760, 975, 375},
        {into<&frmMain::Command11>, "Command11", "Connect", "Connect, mode 2", 240, 1440, 1095,
         375},
        {into<&frmMain::Command8>, "Command8", "Erase", "Erase, mode 2", 240, 1800, 1095, 375},
        {into<&frmMain::Command9>, "Command9", "Write", "Write, mode 2", 240, 2160, 1095, 375},
        {into<&frmMain::Command10>, "Command10", "Disconnect", "Disconnect, mode 2", 240, 2520,
         1095, 375},
        {intoElement<&frmMain::cmdMacro, 0>, "cmdMacro0", "マ", "Every step, mode 0", 7800, 120,
         615, 1455},
        {intoElement<&frmMain::cmdMacro, 1>, "cmdMacro1", "マ", "Every step, mode 1", 7800, 1680,
         615, 1455},
        {intoElement<&frmMain::cmdMacro, 2>, "cmdMacro2", "マ", "Every step, mode 2", 120, 3240,
         615, 615},
        {into<&frmMain::cmdCheckSum>, "cmdCheckSum", "CS", "Region checksum", 3600, 120, 495, 495},
        {into<&frmMain::txtCsStt>, "txtCsStt", "E0000", "Checksum start address", 4200, 120, 615,
         495},
        {into<&frmMain::txtCsStp>, "txtCsStp", "FFFFF", "Checksum stop address", 4920, 120, 615,
         495},
        {into<&frmMain::Text1>, "Text1", "", "Address being written", 1560, 2640, 1095, 270},
        {into<&frmMain::Text2>, "Text2", "Text2", "Pin command result", 2640, 2640, 2775, 270},
        {into<&frmMain::Text3>, "Text3", "", "Firmware file", 840, 960, 6615, 375},
        // The port test panel; its controls are visible, the frame that holds them is not.
        {into<&frmMain::Frame2>, "Frame2", "ポートの制御", "Port control", 3600, 960, 2535, 1335},
        {intoElement<&frmMain::port, 0>, "port0", "L出力", "Pin output low", 240, 240, 855, 255,
         &frmMain::Frame2, kShown},
        {intoElement<&frmMain::port, 1>, "port1", "H出力", "Pin output high", 240, 480, 855, 255,
         &frmMain::Frame2, kShown},
        {intoElement<&frmMain::port, 2>, "port2", "入力", "Pin input", 240, 720, 855, 255,
         &frmMain::Frame2, kShown},
        {intoElement<&frmMain::port, 3>, "port3", "読む", "Read the pin", 240, 960, 855, 255,
         &frmMain::Frame2, kShown | kChecked},
        {into<&frmMain::txtPinNumberBox>, "txtPinNumber", "", "Pin number or access word", 1200,
         240, 1095, 375, &frmMain::Frame2, kShown},
        {into<&frmMain::Command2>, "Command2", "GO", "Run the pin command", 1200, 720, 1095, 495,
         &frmMain::Frame2, kShown},
        // The line speed panel, hidden in the same way; the captions are the speeds themselves.
        {into<&frmMain::Frame1>, "Frame1", "baud rate", "Line speed", 1920, 1560, 1455, 1095},
        {intoElement<&frmMain::optBPSButtons, 0>, "optBPS0", nullptr, "9600 bit/s", 360, 240, 855,
         255, &frmMain::Frame1, kShown},
        {intoElement<&frmMain::optBPSButtons, 1>, "optBPS1", nullptr, "38400 bit/s", 360, 480, 855,
         255, &frmMain::Frame1, kShown},
        {intoElement<&frmMain::optBPSButtons, 2>, "optBPS2", nullptr, "57600 bit/s", 360, 720, 855,
         255, &frmMain::Frame1, kShown | kChecked},
    };
};

void frmMain::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName("client");
    client->setFixedSize(pixels(2400), pixels(1665));
    setCentralWidget(client);

    Line1 = new QFrame(client);
    Line1->setObjectName("Line1");
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    Line1->setGeometry(pixels(120), 0, pixels(2280 - 120), 2);

    for (const ControlRow& row : ControlTable::kRows) {
        build(*this, row, client);
    }
    // Faces differ in width: the version stays whole if the face is wider than the one the
    // window was drawn with, as far as the client area allows.
    Label1->resize(std::min(std::max(Label1->width(), Label1->sizeHint().width()),
                            client->width() - Label1->x()),
                   Label1->height());
    bar->setRange(0xC000, 0xFFFF);
    bar->setTextVisible(false);
    for (int index = 0; index < SpeedOptions::kCount; ++index) {
        optBPSButtons[static_cast<std::size_t>(index)]->setText(
            QString::number(SpeedOptions::kBaud[static_cast<std::size_t>(index)]));
    }
}

void frmMain::buildMenu() {
    mnuSetting = menuBar()->addMenu("COM");
    mnuSetting->setObjectName("mnuSetting");
    mnuSetting->setAccessibleName("Settings");
    mnuPort = mnuSetting->addMenu("COM port");
    mnuPort->setObjectName("mnuPort");
    mnuPort->setAccessibleName("COM port");
    mnuPort->setToolTipsVisible(true);
    for (int index = 1; index <= PortMenu::kItems; ++index) {
        QAction* item = mnuPort->addAction(indexed("COM", index));
        item->setObjectName(indexed("mnuCom", index));
        item->setCheckable(true);
        mnuCom[static_cast<std::size_t>(index)] = item;
    }
    // As the menu is defined: COM1 and COM3 checked, until start-up clicks COM1.
    syncMenuChecks();
}

}  // namespace rkt5
