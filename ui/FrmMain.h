#pragma once

#include <array>
#include <string>
#include <vector>

#include <QMainWindow>

#include "flash/FlashContext.h"
#include "flash/FlashPanel.h"
#include "flash/Sequences.h"
#include "image/FlashImage.h"
#include "link/LineChoice.h"
#include "link/PortMenu.h"
#include "link/RadioLink.h"
#include "serial/SystemSerialPort.h"
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

// The updater's window. Every control carries its own name as its object name. The window answers
// the link's choices (the port menu's check mark, the speed options) and the flash operations'
// panel (the pin-number box, the pin options, the address display, the progress bar) from its
// widgets, and shows the one message each operation returns; what the operations do is theirs.
//
// While an operation waits for the transceiver the event loop runs, so clicks arrive; nothing
// can start a second operation, change the port or the speed, or close the window meanwhile
// (a close is held until the operation and its message have ended). Five double-clicks on Text1,
// or five presses of Ctrl+Shift+E, reveal the mode 2 buttons and the checksum controls.
class frmMain : public QMainWindow, public LineChoice, public FlashPanel {
  public:
    // Double-clicks on Text1 that reveal the mode 2 buttons and the checksum controls.
    static constexpr int kRevealAfter = 5;
    static constexpr int kCounterMax = 32767;

    frmMain(MessageSink& messages, PortNames names = {});
    ~frmMain() override;

    // LineChoice
    int GetCOM() const override { return menu_.GetCOM(); }
    bool optBPS(int index) const override;
    // FlashPanel
    std::string txtPinNumber() const override;
    bool portOption(int index) const override;
    void showAddress(const std::string& text) override;
    void setProgress(int row) override;

    RadioLink& link() { return link_; }
    // Starts a log of every exchange at `path`; false when the file cannot be written.
    bool startExchangeLog(const std::string& path);
    const FlashImage& image() const { return image_; }
    bool operationRunning() const { return running_; }
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
    class OperationScope;
    // A step button: busy marking (its own button disabled, or the hourglass for the writes),
    // the step, its message, the marking undone.
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
    void runStepButton(const StepButton& entry);
    void runMacro(ProtocolMode mode);
    void report(const Outcome& outcome);
    void revealPanel();
    void syncMenuChecks();
    // Reads the system's serial ports again, each time the menu opens and before each operation
    // (an adapter plugged in after start-up is found), and shows the device each COM number
    // stands for as the menu items' tips.
    void refreshPortDevices();

    MessageSink& messages_;
    FlashImage image_;
    SystemSerialPort serialPort_;
    RadioLink link_;
    FlashContext context_;
    PortMenu menu_;
    int hiddenActivateCounter_ = 0;
    bool running_ = false;
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
