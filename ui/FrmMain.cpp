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

}  // namespace

frmMain::frmMain(MessageSink& messages, PortNames names)
    : messages_(messages), link_(image_), names_(std::move(names)) {
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
    names_.setListedPorts(ports);
    for (int index = 1; index <= PortMenu::kItems; ++index) {
        const QString tip = QString::fromStdString(portTip(ports, names_.deviceFor(index)));
        mnuCom[static_cast<std::size_t>(index)]->setToolTip(tip);
        mnuCom[static_cast<std::size_t>(index)]->setStatusTip(tip);
    }
}

frmMain::~frmMain() = default;

bool frmMain::startExchangeLog(const std::string& path) {
    ExchangeLog log;
    if (!log.open(path, "rkt5-updater",
                  [](const std::string& device) { return cableReport(device); })) {
        return false;
    }
    link_.setLog(std::move(log));
    return true;
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

OperationChoices frmMain::choicesNow() const {
    OperationChoices choices{names_.identify(menu_.GetCOM())};
    for (int index = 0; index < static_cast<int>(optBPSButtons.size()); ++index) {
        if (optBPS(index)) {
            choices.speedIndex = index;
        }
    }
    choices.pinNumberText = txtPinNumber();
    for (int index = 0; index < static_cast<int>(port.size()); ++index) {
        if (portOption(index)) {
            choices.pinFunction = index;
        }
    }
    return choices;
}

bool frmMain::startOperation(LinkOperation operation, bool writes, Ended ended) {
    if (state_ != RunState::Idle) {
        return false;
    }
    refreshPortDevices();
    OperationChoices choices = choicesNow();
    runningPort_ = choices.port;
    if (!link_.start(std::move(choices), std::move(operation))) {
        return false;
    }
    state_ = RunState::Running;
    ended_ = std::move(ended);
    // The computer's power settings must not cut a write off halfway.
    if (writes) {
        awake_ = std::make_unique<KeepAwake>("the RK-T5 transceiver is being written");
    }
    txtPinNumberBox->setReadOnly(true);
    Frame1->setEnabled(false);
    return true;
}

void frmMain::operationEnded(const LinkRun& run) {
    // The hold ends with the operation, before its message waits for the operator.
    awake_.reset();
    state_ = RunState::ShowingMessage;
    std::exchange(ended_, {})(run.outcome);
    state_ = RunState::Idle;
    txtPinNumberBox->setReadOnly(false);
    Frame1->setEnabled(true);
    // A disabled "Start" lost the focus, and where the platform hands it back when the message
    // box closes differs: the operator's next Enter must start the next update everywhere.
    cmdKirune->setFocus();
    if (closeHeld_) {
        QTimer::singleShot(0, this, [this] { close(); });
    }
}

void frmMain::Form_Load() {
    mnuCom_Click(1);
    hiddenActivateCounter_ = 0;
    const auto table = std::make_unique<FirmwareTable>();
    buildStartupImage(image_, *table);
    cmdKirune->setFocus();
}

void frmMain::cmdKirune_Click() {
    const auto update = [](FlashContext& context) {
        if (auto failure = modelCheckStep(context)) {
            return *failure;
        }
        return macroSequence(context, ProtocolMode::Mode2);
    };
    const bool started = startOperation(update, true, [this](const Outcome& outcome) {
        macroEnded(ProtocolMode::Mode2, outcome);
        bar->hide();
        cmdKirune->setEnabled(true);
    });
    if (started) {
        cmdKirune->setEnabled(false);
        cmdMacro[2]->setEnabled(false);
        bar->setValue(bar->minimum());
        bar->show();
    }
}

void frmMain::cmdMacro_Click(int index) {
    if (const std::optional<ProtocolMode> mode = protocolMode(index)) {
        runMacro(*mode);
    }
}

void frmMain::runMacro(ProtocolMode mode) {
    const auto macro = [mode](FlashContext& context) { return macroSequence(context, mode); };
    if (startOperation(macro, true,
                       [this, mode](const Outcome& outcome) { macroEnded(mode, outcome); })) {
        cmdMacro[static_cast<std::size_t>(modeNumber(mode))]->setEnabled(false);
    }
}

void frmMain::macroEnded(ProtocolMode mode, const Outcome& outcome) {
    if (outcome.succeeded) {
        // The write ends below the bar's maximum (the top block is left alone), and a bar that
        // stops short of full beside "Completed." looks as if something was left out.
        bar->setValue(bar->maximum());
    }
    report(outcome);
    if (mode == ProtocolMode::Mode2 && outcome.succeeded) {
        Text1->setText("Completed.");
    }
    cmdMacro[static_cast<std::size_t>(modeNumber(mode))]->setEnabled(true);
}

void frmMain::runStepButton(const StepButton& entry) {
    const auto step = [entry](FlashContext& context) {
        return stepButton(context, entry.mode, entry.step);
    };
    // The write buttons stay enabled and show the hourglass instead.
    const bool hourglass = entry.step == Step::Write;
    const bool writes = entry.step == Step::Erase || entry.step == Step::Write;
    const bool started = startOperation(step, writes, [this, entry, hourglass](const Outcome& end) {
        report(end);
        if (hourglass) {
            unsetCursor();
        } else {
            entry.button->setEnabled(true);
        }
    });
    if (started && hourglass) {
        setCursor(Qt::WaitCursor);
    } else if (started) {
        entry.button->setEnabled(false);
    }
}

void frmMain::Command2_Click() {
    const auto pinCommand = [](FlashContext& context) {
        return Outcome{true, Message::ok(portResultText(RunPortCommand(context).status))};
    };
    if (startOperation(pinCommand, false, [this](const Outcome& outcome) {
            Text2->setText(QString::fromStdString(outcome.message.text));
            Command2->setEnabled(true);
        })) {
        Command2->setEnabled(false);
    }
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
    if (state_ != RunState::Idle) {
        return;
    }
    const RegionChecksum sum =
        regionChecksum(image_, txtCsStt->text().toStdString(), txtCsStp->text().toStdString());
    messages_.show(sum.ok ? Message{sum.text, "CHECK SUM", Message::kPlain} : Message::ng(sum.text),
                   {});
}

void frmMain::Text3_OLEDragDrop(const std::vector<std::string>& paths) {
    // The link thread reads the image while an operation runs.
    if (state_ != RunState::Idle || paths.empty()) {
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
    // While an operation runs the port stays as it is; the check mark snaps back.
    if (state_ == RunState::Idle) {
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
        const std::string advice = cableAdvice(surveyCables(names_), runningPort_.device);
        if (!advice.empty()) {
            detail += "\n\n" + advice;
        }
    }
    messages_.show(outcome.message, detail);
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (state_ != RunState::Idle) {
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
    connect(&link_, &LinkThread::addressShown, this,
            [this](const QString& text) { Text1->setText(text); });
    connect(&link_, &LinkThread::progressed, this, [this](int row) { bar->setValue(row); });
    connect(&link_, &LinkThread::finished, this, &frmMain::operationEnded);
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
