#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMainWindow>

#include "flash/LinkThread.h"
#include "flash/Sequences.h"
#include "image/FlashImage.h"
#include "link/PortMenu.h"
#include "serial/PortNames.h"
#include "ui/MessageSink.h"

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace rkt5 {

class KeepAwake;

// The updater's window. Every control carries its own name as its object name. The window is a
// view of its link thread: a handler takes the choices as they stand (the port of the menu, the
// speed option, the pin-number box, the pin option), hands its operation to the thread and
// returns; the address, the bar and the one message follow the thread's signals.
//
// The window is idle, running an operation, or showing its message. Only an idle window starts
// an operation, changes the port or loads an image; a close asked for meanwhile waits until the
// operation and its message have ended. Five double-clicks on Text1, or five presses of
// Ctrl+Shift+E, reveal the mode 2 buttons and the checksum controls.
class frmMain : public QMainWindow {
  public:
    // Double-clicks on Text1 that reveal the mode 2 buttons and the checksum controls.
    static constexpr int kRevealAfter = 5;
    static constexpr int kCounterMax = 32767;

    frmMain(MessageSink& messages, PortNames names = {});
    ~frmMain() override;

    // What the operations read, as the controls show it now.
    int GetCOM() const { return menu_.GetCOM(); }
    bool optBPS(int index) const;
    std::string txtPinNumber() const;
    bool portOption(int index) const;

    LinkThread& link() { return link_; }
    // Starts a log of every exchange at `path`; false when the file cannot be written.
    bool startExchangeLog(const std::string& path);
    const FlashImage& image() const { return image_; }
    // True from a handler's hand-over until its message has been closed.
    bool operationRunning() const { return state_ != RunState::Idle; }
    int hiddenActivateCounter() const { return hiddenActivateCounter_; }

    // The handlers, by the controls they belong to.
    void Form_Load();
    void cmdKirune_Click();
    void cmdMacro_Click(int index);
    void txtPinNumber_Change();
    void Text1_DblClick();
    void cmdCheckSum_Click();
    void Text3_OLEDragDrop(const std::vector<std::string>& paths);
    void mnuCom_Click(int index);
    void Command2_Click();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    enum class RunState { Idle, Running, ShowingMessage };
    // What the window does when an operation has ended: shows its end and undoes its marking.
    using Ended = std::function<void(const Outcome&)>;
    // A step button of the engineering panel.
    struct StepButton {
        QPushButton* button;
        ProtocolMode mode;
        Step step;
    };

    // The controls as data, one row each, beside buildControls.
    struct ControlTable;

    void buildControls();
    void buildMenu();
    void wireEvents();
    // Hands `operation` to the link thread if the window is idle; false otherwise, with nothing
    // sent or changed. An operation that `writes` the flash keeps the computer awake meanwhile.
    bool startOperation(LinkOperation operation, bool writes, Ended ended);
    void operationEnded(const LinkRun& run);
    OperationChoices choicesNow() const;
    void runStepButton(const StepButton& entry);
    void runMacro(ProtocolMode mode);
    // The end of a macro (and of "Start"): a full bar beside "Completed.", the message, the
    // button again.
    void macroEnded(ProtocolMode mode, const Outcome& outcome);
    void report(const Outcome& outcome);
    void revealPanel();
    void syncMenuChecks();
    // Reads the system's serial ports again, each time the menu opens and before each operation
    // (an adapter plugged in after start-up is found), and shows the device each COM number
    // stands for as the menu items' tips.
    void refreshPortDevices();

    MessageSink& messages_;
    FlashImage image_;
    LinkThread link_;
    PortNames names_;
    PortMenu menu_;
    RunState state_ = RunState::Idle;
    Ended ended_;
    PortIdentity runningPort_;  // the port of the operation under way
    std::unique_ptr<KeepAwake> awake_;
    int hiddenActivateCounter_ = 0;
    bool closeHeld_ = false;

    // The controls, by their names; an element of a control array is named by the array's name
    // and its index ("cmdMacro2", "mnuCom16").
    QFrame* Line1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* cmdKirune = nullptr;
    QProgressBar* bar = nullptr;
    QMenu* mnuSetting = nullptr;
    QMenu* mnuPort = nullptr;
    std::array<QAction*, PortMenu::kItems + 1> mnuCom{};  // 1..16
    QPushButton *Command1 = nullptr, *cmbErase = nullptr, *cmbWrite = nullptr, *cmbEnd = nullptr;
    QPushButton *Command4 = nullptr, *Command7 = nullptr, *Command6 = nullptr, *Command5 = nullptr;
    QPushButton *Command11 = nullptr, *Command8 = nullptr, *Command9 = nullptr,
                *Command10 = nullptr;
    std::array<QPushButton*, 3> cmdMacro{};
    QPushButton* cmdCheckSum = nullptr;
    QLineEdit *txtCsStt = nullptr, *txtCsStp = nullptr;
    QLineEdit *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr;
    QGroupBox *Frame2 = nullptr, *Frame1 = nullptr;
    std::array<QRadioButton*, 4> port{};
    QLineEdit* txtPinNumberBox = nullptr;  // object name "txtPinNumber"
    QPushButton* Command2 = nullptr;
    std::array<QRadioButton*, 3> optBPSButtons{};  // object names "optBPS0".."optBPS2"
    std::vector<StepButton> stepButtons_;
};

}  // namespace rkt5
