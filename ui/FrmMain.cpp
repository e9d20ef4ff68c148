#include "ui/FrmMain.h"

#include <algorithm>
#include <memory>

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTimer>
#include <QUrl>

#include "firmware/FirmwareLines.h"
#include "flash/AccessWord.h"
#include "flash/PortCommand.h"
#include "flash/WhatItLeaves.h"
#include "image/ImageFile.h"
#include "image/RegionChecksum.h"
#include "image/StartupImage.h"
#include "serial/Cables.h"
#include "serial/SystemPorts.h"
#include "station/KeepAwake.h"
#include "ui/Twips.h"
#include "ui/WindowFonts.h"

namespace rkt5 {

namespace {

// The operator's client area, and the one the revealed panel needs: the mode 2 buttons move
// below the progress bar so that they cover nothing of the operator's.
constexpr QSize kClientSize{pixels(2400), pixels(1665)};
constexpr int kRevealedShiftDown = 285;
constexpr QSize kRevealedClientSize{pixels(5655), pixels(3300)};

// Runs an operation that writes the transceiver's flash with the computer kept from sleeping, so
// that its power settings cannot cut the write off halfway. The hold ends with the operation,
// before its message waits for the operator.
template <typename Operation>
Outcome keptAwake(Operation operation) {
    const KeepAwake awake("the RK-T5 transceiver is being written");
    return operation();
}

}  // namespace

// Marks an operation as running for as long as it and its message last: no second operation,
// no change of the port or the speed, no close. A close asked for meanwhile happens afterwards.
class frmMain::OperationScope {
  public:
    explicit OperationScope(frmMain& window) : window_(window) {
        window_.running_ = true;
        window_.refreshPortDevices();
        window_.txtPinNumberBox->setReadOnly(true);
        window_.Frame1->setEnabled(false);
    }
    ~OperationScope() {
        window_.running_ = false;
        window_.txtPinNumberBox->setReadOnly(false);
        window_.Frame1->setEnabled(true);
        // A disabled "Start" lost the focus, and where the platform hands it back when the message
        // box closes differs: the operator's next Enter must start the next update everywhere.
        window_.cmdKirune->setFocus();
        if (window_.closeHeld_) {
            QTimer::singleShot(0, &window_, [&window = window_] { window.close(); });
        }
    }
    OperationScope(const OperationScope&) = delete;
    OperationScope& operator=(const OperationScope&) = delete;

  private:
    frmMain& window_;
};

frmMain::frmMain(MessageSink& messages, PortNames names)
    : messages_(messages),
      serialPort_(std::move(names)),
      link_(serialPort_, *this),
      context_{link_, image_, *this} {
    setObjectName("frmMain");
    setWindowTitle("RK-T5 ver EG5.000");
    // The classic 8 pt of such windows: the panel's small boxes hold their text.
    setFont(windowFont(8.25));
    buildControls();
    buildMenu();
    wireEvents();
}

void frmMain::refreshPortDevices() {
    const std::vector<SystemPort> ports = describeSystemPorts();
    serialPort_.names().setListedPorts(devicesOf(ports));
    for (int index = 1; index <= PortMenu::kItems; ++index) {
        const QString tip =
            QString::fromStdString(portTip(ports, serialPort_.names().deviceFor(index)));
        mnuCom[static_cast<std::size_t>(index)]->setToolTip(tip);
        mnuCom[static_cast<std::size_t>(index)]->setStatusTip(tip);
    }
}

frmMain::~frmMain() = default;

bool frmMain::startExchangeLog(const std::string& path) {
    return link_.log().open(
        path, "rkt5-updater",
        [this](int number) { return serialPort_.names().displayName(number); },
        [this](int number) { return cableReport(serialPort_.names().deviceFor(number)); });
}

bool frmMain::optBPS(int index) const {
    return optBPSButtons.at(static_cast<std::size_t>(index))->isChecked();
}

std::string frmMain::txtPinNumber() const {
    return txtPinNumberBox->text().toStdString();
}

bool frmMain::portOption(int index) const {
    return port.at(static_cast<std::size_t>(index))->isChecked();
}

void frmMain::showAddress(const std::string& text) {
    Text1->setText(QString::fromStdString(text));
}

void frmMain::setProgress(int row) {
    bar->setValue(row);
}

void frmMain::Form_Load() {
    mnuCom_Click(1);
    hiddenActivateCounter_ = 0;
    const auto table = std::make_unique<FirmwareTable>();
    buildStartupImage(image_, *table);
    cmdKirune->setFocus();
}

void frmMain::cmdKirune_Click() {
    if (running_) {
        return;
    }
    OperationScope scope(*this);
    cmdKirune->setEnabled(false);
    bar->setValue(bar->minimum());
    bar->show();
    if (const auto failure = modelCheckStep(context_)) {
        report(*failure);
    } else {
        runMacro(ProtocolMode::Mode2);
    }
    bar->hide();
    cmdKirune->setEnabled(true);
}

void frmMain::cmdMacro_Click(int index) {
    if (running_) {
        return;
    }
    if (const std::optional<ProtocolMode> mode = protocolMode(index)) {
        OperationScope scope(*this);
        runMacro(*mode);
    }
}

void frmMain::runMacro(ProtocolMode mode) {
    QPushButton* button = cmdMacro[static_cast<std::size_t>(modeNumber(mode))];
    button->setEnabled(false);
    const Outcome outcome = keptAwake([&] { return macroSequence(context_, mode); });
    if (outcome.succeeded) {
        // The write ends below the bar's maximum (the top block is left alone), and a bar that
        // stops short of full beside "Completed." looks as if something was left out.
        bar->setValue(bar->maximum());
    }
    report(outcome);
    if (mode == ProtocolMode::Mode2 && outcome.succeeded) {
        Text1->setText("Completed.");
    }
    button->setEnabled(true);
}

void frmMain::runStepButton(const StepButton& entry) {
    if (running_) {
        return;
    }
    OperationScope scope(*this);
    // The write buttons stay enabled and show the hourglass instead.
    const bool hourglass = entry.step == Step::Write;
    if (hourglass) {
        setCursor(Qt::WaitCursor);
    } else {
        entry.button->setEnabled(false);
    }
    const bool writes = entry.step == Step::Erase || entry.step == Step::Write;
    const auto run = [&] { return stepButton(context_, entry.mode, entry.step); };
    report(writes ? keptAwake(run) : run());
    if (hourglass) {
        unsetCursor();
    } else {
        entry.button->setEnabled(true);
    }
}

void frmMain::Command2_Click() {
    if (running_) {
        return;
    }
    OperationScope scope(*this);
    Command2->setEnabled(false);
    Text2->setText(QString::fromStdString(portResultText(RunPortCommand(context_).status)));
    Command2->setEnabled(true);
}

void frmMain::txtPinNumber_Change() {
    cmdKirune->setText(isAccessWord(txtPinNumber()) ? QString::fromUtf8("乙π") : "Kirune");
}

void frmMain::Text1_DblClick() {
    hiddenActivateCounter_ = std::min(hiddenActivateCounter_ + 1, kCounterMax);
    if (hiddenActivateCounter_ >= kRevealAfter) {
        revealPanel();
    }
}

void frmMain::revealPanel() {
    for (QWidget* control : {static_cast<QWidget*>(Command11), static_cast<QWidget*>(Command8),
                             static_cast<QWidget*>(Command9), static_cast<QWidget*>(Command10),
                             static_cast<QWidget*>(cmdCheckSum), static_cast<QWidget*>(txtCsStt),
                             static_cast<QWidget*>(txtCsStp)}) {
        control->setVisible(true);
    }
    if (centralWidget()->size() != kRevealedClientSize) {
        for (QPushButton* button : {Command11, Command8, Command9, Command10}) {
            button->move(button->x(), button->y() + pixels(kRevealedShiftDown));
        }
        centralWidget()->setFixedSize(kRevealedClientSize);
        adjustSize();
        // A firmware file may now be dropped anywhere on the window.
        setAcceptDrops(true);
    }
}

void frmMain::cmdCheckSum_Click() {
    if (running_) {
        return;
    }
    const RegionChecksum sum =
        regionChecksum(image_, txtCsStt->text().toStdString(), txtCsStp->text().toStdString());
    messages_.show(sum.ok ? Message{sum.text, "CHECK SUM", Message::kPlain} : Message::ng(sum.text),
                   {});
}

void frmMain::Text3_OLEDragDrop(const std::vector<std::string>& paths) {
    if (running_ || paths.empty()) {
        return;
    }
    Text3->setText(QString::fromStdString(paths.front()));
    setCursor(Qt::WaitCursor);
    const ImageLoadOutcome outcome = LoadImageFile(image_, Text3->text().toStdString());
    unsetCursor();
    if (!outcome.loaded && outcome.message) {
        messages_.show(*outcome.message, {});
    }
}

void frmMain::mnuCom_Click(int index) {
    // While an exchange waits the port stays as it is; the check mark snaps back.
    if (!running_) {
        menu_.mnuCom_Click(index);
    }
    syncMenuChecks();
}

void frmMain::syncMenuChecks() {
    for (int index = 1; index <= PortMenu::kItems; ++index) {
        mnuCom[static_cast<std::size_t>(index)]->setChecked(menu_.checked(index));
    }
}

void frmMain::report(const Outcome& outcome) {
    std::string detail = outcome.succeeded ? std::string() : reasonAndWhatItLeaves(outcome);
    // When the line may be to blame, what is known to be wrong with the cable goes beside it.
    if (outcome.lineTrouble) {
        const std::string advice = cableAdvice(surveyCables(serialPort_.names()),
                                               serialPort_.names().deviceFor(menu_.GetCOM()));
        if (!advice.empty()) {
            detail += "\n\n" + advice;
        }
    }
    messages_.show(outcome.message, detail);
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (running_) {
        // Never cut a write short: the window closes when the operation and its message end.
        closeHeld_ = true;
        event->ignore();
        return;
    }
    event->accept();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text1 && event->type() == QEvent::MouseButtonDblClick) {
        Text1_DblClick();
        return true;
    }
    // Enter presses "Start" as Space does, so that an operator can start with either key.
    if (watched == cmdKirune && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            cmdKirune->click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (acceptDrops() && event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void frmMain::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(url.toLocalFile().toStdString());
        }
    }
    event->acceptProposedAction();
    Text3_OLEDragDrop(paths);
}

void frmMain::wireEvents() {
    connect(cmdKirune, &QPushButton::clicked, this, [this] { cmdKirune_Click(); });
    for (int index = 0; index < static_cast<int>(cmdMacro.size()); ++index) {
        connect(cmdMacro[static_cast<std::size_t>(index)], &QPushButton::clicked, this,
                [this, index] { cmdMacro_Click(index); });
    }
    stepButtons_ = {
        {Command1, ProtocolMode::Mode0, Step::Connect},
        {cmbErase, ProtocolMode::Mode0, Step::Erase},
        {cmbWrite, ProtocolMode::Mode0, Step::Write},
        {cmbEnd, ProtocolMode::Mode0, Step::Disconnect},
        {Command4, ProtocolMode::Mode1, Step::Connect},
        {Command7, ProtocolMode::Mode1, Step::Erase},
        {Command6, ProtocolMode::Mode1, Step::Write},
        {Command5, ProtocolMode::Mode1, Step::Disconnect},
        {Command11, ProtocolMode::Mode2, Step::Connect},
        {Command8, ProtocolMode::Mode2, Step::Erase},
        {Command9, ProtocolMode::Mode2, Step::Write},
        {Command10, ProtocolMode::Mode2, Step::Disconnect},
    };
    for (const StepButton& entry : stepButtons_) {
        connect(entry.button, &QPushButton::clicked, this, [this, entry] { runStepButton(entry); });
    }
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(cmdCheckSum, &QPushButton::clicked, this, [this] { cmdCheckSum_Click(); });
    connect(txtPinNumberBox, &QLineEdit::textChanged, this, [this] { txtPinNumber_Change(); });
    for (int index = 1; index <= PortMenu::kItems; ++index) {
        connect(mnuCom[static_cast<std::size_t>(index)], &QAction::triggered, this,
                [this, index] { mnuCom_Click(index); });
    }
    // Adapters come and go: the tips say what each number stands for when the menu opens.
    connect(mnuPort, &QMenu::aboutToShow, this, [this] { refreshPortDevices(); });
    Text1->installEventFilter(this);
    cmdKirune->installEventFilter(this);
    // The panel's way in from the keyboard: one press counts as one double-click on Text1.
    auto* reveal = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), this);
    connect(reveal, &QShortcut::activated, this, [this] { Text1_DblClick(); });
}

}  // namespace rkt5
