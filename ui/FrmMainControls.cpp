// The window's controls as it is defined: kinds, captions, positions and sizes in twips, and
// their initial states.
#include <algorithm>
#include <type_traits>

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

template <typename Control>
Control* place(QWidget* parent, const QString& name, const QString& caption, QRect geometry,
               bool visible = false) {
    auto* control = new Control(parent);
    control->setObjectName(name);
    if constexpr (std::is_same_v<Control, QLineEdit>) {
        control->setText(caption);
        // A dropped file goes to the window's own drop handler, not into the box as text.
        control->setAcceptDrops(false);
    } else if constexpr (std::is_same_v<Control, QGroupBox>) {
        control->setTitle(caption);
    } else {
        control->setText(caption);
    }
    control->setGeometry(geometry);
    control->setVisible(visible);
    return control;
}

QString indexed(const char* name, int index) {
    return QString::fromLatin1(name) + QString::number(index);
}

}  // namespace

void frmMain::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName("client");
    client->setFixedSize(pixels(2400), pixels(1665));
    setCentralWidget(client);
    const auto u = [](const char* text) { return QString::fromUtf8(text); };

    Line1 = new QFrame(client);
    Line1->setObjectName("Line1");
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    Line1->setGeometry(pixels(120), 0, pixels(2280 - 120), 2);

    Label1 = place<QLabel>(client, "Label1", "Ver EG5.000", twipRect(480, 240, 1575, 375), true);
    Label1->setFont(windowFont(14.25));
    // Faces differ in width: the version stays whole if the face is wider than the one the
    // window was drawn with, as far as the client area allows.
    Label1->resize(std::min(std::max(Label1->width(), Label1->sizeHint().width()),
                            client->width() - Label1->x()),
                   Label1->height());
    cmdKirune =
        place<QPushButton>(client, "cmdKirune", "Start", twipRect(480, 720, 1455, 495), true);
    cmdKirune->setFont(windowFont(21.75));
    cmdKirune->setDefault(true);

    bar = new QProgressBar(client);
    bar->setObjectName("bar");
    bar->setGeometry(twipRect(120, 1320, 2175, 255));
    bar->setRange(0xC000, 0xFFFF);
    bar->setTextVisible(false);
    bar->hide();

    // The three groups of step buttons, one per protocol mode, and the macro buttons.
    Command1 = place<QPushButton>(client, "Command1", u("接続"), twipRect(6720, 120, 975, 375));
    cmbErase = place<QPushButton>(client, "cmbErase", u("消去"), twipRect(6720, 480, 975, 375));
    cmbWrite = place<QPushButton>(client, "cmbWrite", u("書き込み"), twipRect(6720, 840, 975, 375));
    cmbEnd = place<QPushButton>(client, "cmbEnd", u("切断"), twipRect(6720, 1200, 975, 375));
    Command4 = place<QPushButton>(client, "Command4", u("接続"), twipRect(6720, 1680, 975, 375));
    Command7 = place<QPushButton>(client, "Command7", u("消去"), twipRect(6720, 2040, 975, 375));
    Command6 =
        place<QPushButton>(client, "Command6", u("書き込み"), twipRect(6720, 2400, 975, 375));
    Command5 = place<QPushButton>(client, "Command5", u("切断"), twipRect(6720, 2760, 975, 375));
    Command11 = place<QPushButton>(client, "Command11", "Connect", twipRect(240, 1440, 1095, 375));
    Command8 = place<QPushButton>(client, "Command8", "Erase", twipRect(240, 1800, 1095, 375));
    Command9 = place<QPushButton>(client, "Command9", "Write", twipRect(240, 2160, 1095, 375));
    Command10 =
        place<QPushButton>(client, "Command10", "Disconnect", twipRect(240, 2520, 1095, 375));
    const QRect macroPlaces[] = {twipRect(7800, 120, 615, 1455), twipRect(7800, 1680, 615, 1455),
                                 twipRect(120, 3240, 615, 615)};
    for (int index = 0; index < 3; ++index) {
        cmdMacro[static_cast<std::size_t>(index)] =
            place<QPushButton>(client, indexed("cmdMacro", index), u("マ"), macroPlaces[index]);
    }

    cmdCheckSum = place<QPushButton>(client, "cmdCheckSum", "CS", twipRect(3600, 120, 495, 495));
    txtCsStt = place<QLineEdit>(client, "txtCsStt", "E0000", twipRect(4200, 120, 615, 495));
    txtCsStp = place<QLineEdit>(client, "txtCsStp", "FFFFF", twipRect(4920, 120, 615, 495));
    Text1 = place<QLineEdit>(client, "Text1", "", twipRect(1560, 2640, 1095, 270));
    Text2 = place<QLineEdit>(client, "Text2", "Text2", twipRect(2640, 2640, 2775, 270));
    Text3 = place<QLineEdit>(client, "Text3", "", twipRect(840, 960, 6615, 375));

    // The port test panel; its controls are visible, the frame that holds them is not.
    Frame2 = place<QGroupBox>(client, "Frame2", u("ポートの制御"), twipRect(3600, 960, 2535, 1335));
    const char* pinFunctions[] = {"L出力", "H出力", "入力", "読む"};
    for (int index = 0; index < 4; ++index) {
        port[static_cast<std::size_t>(index)] =
            place<QRadioButton>(Frame2, indexed("port", index), u(pinFunctions[index]),
                                twipRect(240, 240 + 240 * index, 855, 255), true);
    }
    port[3]->setChecked(true);
    txtPinNumberBox =
        place<QLineEdit>(Frame2, "txtPinNumber", "", twipRect(1200, 240, 1095, 375), true);
    Command2 = place<QPushButton>(Frame2, "Command2", "GO", twipRect(1200, 720, 1095, 495), true);

    // The line speed panel, hidden in the same way.
    Frame1 = place<QGroupBox>(client, "Frame1", "baud rate", twipRect(1920, 1560, 1455, 1095));
    for (int index = 0; index < 3; ++index) {
        optBPSButtons[static_cast<std::size_t>(index)] = place<QRadioButton>(
            Frame1, indexed("optBPS", index), QString::number(SpeedOptions::kBaud[index]),
            twipRect(360, 240 + 240 * index, 855, 255), true);
    }
    optBPSButtons[2]->setChecked(true);
}

void frmMain::buildMenu() {
    mnuSetting = menuBar()->addMenu("COM");
    mnuSetting->setObjectName("mnuSetting");
    mnuPort = mnuSetting->addMenu("COM port");
    mnuPort->setObjectName("mnuPort");
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
