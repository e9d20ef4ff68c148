// The real window under the offscreen platform, its messages recorded, talking to the simulated
// transceiver over a pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "firmware/FirmwareLines.h"
#include "image/StartupImage.h"
#include "sim/PtyTransceiver.h"
#include "tests/serial/FakeSysfs.h"
#include "tests/support/TempDir.h"
#include "ui/FrmMain.h"

namespace rkt5 {
namespace {

using namespace std::chrono_literals;
using sim::Fault;
using sim::MessageKind;

// The messages as the operator would have seen them; `onShow` looks at the window while a message
// is up, when the operation has not yet undone its busy marking.
class RecordingSink : public MessageSink {
  public:
    struct Shown {
        Message message;
        std::string detail;
    };
    std::vector<Shown> shown;
    std::function<void()> onShow;

    void show(const Message& message, const std::string& detail) override {
        shown.push_back({message, detail});
        if (onShow) {
            onShow();
        }
    }
};

constexpr const char* kEngineeringControls[] = {
    "Command1",  "cmbErase",  "cmbWrite",  "cmbEnd",      "Command4", "Command7",
    "Command6",  "Command5",  "Command11", "Command8",    "Command9", "Command10",
    "cmdMacro0", "cmdMacro1", "cmdMacro2", "cmdCheckSum", "txtCsStt", "txtCsStp",
    "Text1",     "Text2",     "Text3",     "Frame1",      "Frame2"};
constexpr const char* kRevealed[] = {"Command11",   "Command8", "Command9", "Command10",
                                     "cmdCheckSum", "txtCsStt", "txtCsStp"};

class Window : public testing::Test {
  protected:
    void start(sim::SimulatorOptions options = {}) {
        options.pace = false;
        transceiver = std::make_unique<sim::PtyTransceiver>(std::move(options));
        PortNames names;
        names.bind(1, transceiver->portPath());
        window = std::make_unique<frmMain>(sink, std::move(names));
        window->link().setReplyTime(300ms);
        window->Form_Load();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    template <typename Widget = QWidget>
    Widget* control(const char* name) const {
        auto* found = window->findChild<Widget*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QAction* menuItem(int index) const {
        return window->findChild<QAction*>(QString("mnuCom%1").arg(index));
    }
    void click(const char* name) { QTest::mouseClick(control(name), Qt::LeftButton); }
    // The handlers hand their operation to the link thread and return: this waits until the
    // operation and its message have ended.
    void waitForTheRun() const {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window->operationRunning(); }, 30'000));
    }
    void reveal() {
        for (int i = 0; i < frmMain::kRevealAfter; ++i) {
            QTest::keyClick(window.get(), Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
        }
    }
    std::vector<MessageKind> kinds() const {
        std::vector<MessageKind> found;
        for (const auto& message : transceiver->receivedMessages()) {
            found.push_back(message.kind);
        }
        return found;
    }

    RecordingSink sink;
    std::unique_ptr<sim::PtyTransceiver> transceiver;
    std::unique_ptr<frmMain> window;
};

TEST_F(Window, AfterStartUpOnlyTheOperatorsControlsShow) {
    start();
    for (int index = 1; index <= 16; ++index) {
        EXPECT_EQ(menuItem(index)->isChecked(), index == 1) << "COM" << index;
    }
    emit control<QMenu>("mnuPort")->aboutToShow();  // each item's device as its tip
    EXPECT_EQ(menuItem(1)->toolTip().toStdString(), transceiver->portPath());
    EXPECT_EQ(menuItem(1)->statusTip(), menuItem(1)->toolTip());
    EXPECT_TRUE(control<QRadioButton>("optBPS2")->isChecked());
    EXPECT_TRUE(control<QRadioButton>("port3")->isChecked());
    for (const char* name : {"Line1", "Label1", "cmdKirune"}) {
        EXPECT_TRUE(control(name)->isVisible()) << name;
    }
    EXPECT_FALSE(control("bar")->isVisible());
    for (const char* name : kEngineeringControls) {
        EXPECT_FALSE(control(name)->isVisible()) << name;
    }
    EXPECT_EQ(window->windowTitle(), "RK-T5 ver EG5.000");
    EXPECT_EQ(window->centralWidget()->size(), QSize(160, 111));
    EXPECT_EQ(QApplication::focusWidget(), control("cmdKirune"));

    FlashImage builtIn;
    auto table = std::make_unique<FirmwareTable>();
    buildStartupImage(builtIn, *table);
    EXPECT_TRUE(
        std::equal(builtIn.cells(), builtIn.cells() + FlashImage::kCells, window->image().cells()));
}

TEST_F(Window, StartUpdatesTheTransceiverWithTheBarShownAndStartDisabled) {
    start();
    bool busyWhileShown = false;
    sink.onShow = [&] {
        busyWhileShown = control("bar")->isVisible() && !control("cmdKirune")->isEnabled() &&
                         control<QProgressBar>("bar")->value() == 0xFFFF;
    };
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // Enter on "Start"
    waitForTheRun();
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].message, Message::ok("Completed."));
    EXPECT_TRUE(busyWhileShown);
    EXPECT_EQ(control<QLineEdit>("Text1")->text(), "Completed.");
    EXPECT_FALSE(control("bar")->isVisible());
    EXPECT_TRUE(control("cmdKirune")->isEnabled());
    EXPECT_EQ(kinds().back(), MessageKind::End);
}

// An operator updates one transceiver after another: after each run's message "Start" has the
// focus again, so that Enter alone starts the next.
TEST_F(Window, EnterAloneStartsOneUpdateAfterAnother) {
    start();
    for (int run = 1; run <= 2; ++run) {
        ASSERT_EQ(QApplication::focusWidget(), control("cmdKirune")) << "before update " << run;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        waitForTheRun();
    }
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_EQ(sink.shown[1].message, Message::ok("Completed."));
    EXPECT_EQ(std::ranges::count(kinds(), MessageKind::End), 2);
}

TEST_F(Window, EachFailureOfStartIsTheOnlyMessageOfItsRun) {
    const struct {
        sim::SimulatorOptions options;
        const char* text;
    } cases[] = {
        {{.regionOther = true}, "Region error"},
        {{.faults = {{.kind = MessageKind::ModelCheck, .reply = "NG"}}}, "Error"},
        {{.faults = {{.kind = MessageKind::ConnectMode2, .reply = "NG"}}}, "Connect failed."},
        {{.faults = {{.kind = MessageKind::Program, .reply = "NG"}}}, "Write failed."},
    };
    for (const auto& c : cases) {
        sink.shown.clear();
        start(c.options);
        click("cmdKirune");
        waitForTheRun();
        ASSERT_EQ(sink.shown.size(), 1u) << c.text;
        EXPECT_EQ(sink.shown[0].message, Message::ng(c.text));
        EXPECT_FALSE(sink.shown[0].detail.empty()) << c.text << ": the reason goes with it";
        EXPECT_NE(control<QLineEdit>("Text1")->text(), "Completed.");
    }
    // The details say what the failure leaves the transceiver in and what to do about it.
    EXPECT_EQ(sink.shown.back().detail,
              "block C0000 (\"PG\"), 10 sends: answered \"NG\\r\\n\"; in flash mode, partly "
              "written: run the update again");
}

// A cable that another program holds: the open fails, and the details name the program and say
// what to do.
TEST_F(Window, AFailedOpenShowsWhatIsWrongWithTheCableInTheDetails) {
    const test::TempDir dir;
    const test::FakeSysfs tree(dir.path());
    tree.add({.location = "1-2",
              .vendorId = "10c4",
              .productId = "ea60",
              .product = "CP2102 USB to UART Bridge Controller",
              .driver = "cp210x",
              .tty = "ttyUSB9"});
    tree.process(812, "minicom", "/dev/ttyUSB9");
    ::setenv("RKT5_SYSFS_ROOT", dir.path().c_str(), 1);
    PortNames names;
    names.bind(1, "/dev/ttyUSB9");
    window = std::make_unique<frmMain>(sink, std::move(names));
    window->Form_Load();
    window->show();
    click("cmdKirune");
    waitForTheRun();
    ::unsetenv("RKT5_SYSFS_ROOT");
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].message, Message::ng("Error"));
    const std::string& detail = sink.shown[0].detail;
    EXPECT_TRUE(detail.starts_with("cannot open COM1 (/dev/ttyUSB9): there is no such device"))
        << detail;
    EXPECT_TRUE(
        detail.ends_with("\n\nCable: minicom (process 812) has /dev/ttyUSB9 open\nFix: "
                         "Close minicom (process 812): the update needs the port to "
                         "itself."))
        << detail;
}

TEST_F(Window, TheStartCaptionFollowsTheAccessWordLetterByLetter) {
    start();
    auto* box = control<QLineEdit>("txtPinNumber");
    auto* start = control<QPushButton>("cmdKirune");
    QTest::keyClicks(box, "L");
    EXPECT_EQ(start->text(), "Kirune");
    QTest::keyClicks(box, "ANTERN");
    EXPECT_EQ(start->text(), QString::fromUtf8("乙π"));
    QTest::keyClicks(box, "X");
    EXPECT_EQ(start->text(), "Kirune");
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(start->text(), QString::fromUtf8("乙π"));
    box->setText("lantern");
    EXPECT_EQ(start->text(), "Kirune");
}

TEST_F(Window, FiveDoubleClicksOrShortcutsRevealThePanelWithoutCoveringTheOperator) {
    start();
    auto* text1 = control("Text1");
    for (int i = 0; i < 4; ++i) {
        window->Text1_DblClick();
    }
    for (const char* name : kRevealed) {
        EXPECT_FALSE(control(name)->isVisible()) << name;
    }
    QTest::keyClick(window.get(), Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    const QRect client = window->centralWidget()->rect();
    for (const char* name : kRevealed) {
        EXPECT_TRUE(control(name)->isVisible()) << name;
        EXPECT_TRUE(client.contains(control(name)->geometry())) << name << " lies outside";
        for (const char* operators : {"Label1", "cmdKirune", "bar"}) {
            EXPECT_FALSE(control(name)->geometry().intersects(control(operators)->geometry()))
                << name << " covers " << operators;
        }
    }
    EXPECT_FALSE(control("Command1")->isVisible()) << "mode 0 stays hidden";
    EXPECT_FALSE(text1->isVisible());
    for (int i = 0; i < 40000; ++i) {
        window->Text1_DblClick();
    }
    EXPECT_EQ(window->hiddenActivateCounter(), frmMain::kCounterMax);
}

TEST_F(Window, ChecksumAndPinCommandShowTheirResults) {
    start({.faults = {{.kind = MessageKind::PortCommand,
                       .occurrence = 2,
                       .action = Fault::Action::PartialReply,
                       .count = 3}}});
    reveal();
    click("cmdCheckSum");
    control<QLineEdit>("txtCsStp")->setText("100000");
    click("cmdCheckSum");
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_EQ(sink.shown[0].message.title, "CHECK SUM");
    EXPECT_EQ(sink.shown[0].message.style, Message::kPlain);
    EXPECT_EQ(sink.shown[1].message.title, "NG");
    EXPECT_NE(sink.shown[1].message.text.find("100000"), std::string::npos)
        << sink.shown[1].message.text;

    control<QLineEdit>("txtPinNumber")->setText("12");
    window->Command2_Click();
    waitForTheRun();
    EXPECT_EQ(control<QLineEdit>("Text2")->text(), QString::fromUtf8("L入力"));
    window->Command2_Click();
    waitForTheRun();
    EXPECT_EQ(control<QLineEdit>("Text2")->text(), "???");
    EXPECT_EQ(sink.shown.size(), 2u) << "the pin command shows no message";
}

TEST_F(Window, ADroppedFileReplacesTheImageAndABadOneLeavesIt) {
    start();
    test::TempDir dir;
    const std::string good =
        dir.write("one.mot", "S2140C0000010203040506070809101112131415162D\r\n");
    const std::string bad =
        dir.write("bad.mot", "S2140C0000010203040506070809101112131415162D\r\nxx\r\n");
    window->Text3_OLEDragDrop({});
    EXPECT_TRUE(window->image().RowHasData(0xC100)) << "a drop without files changes nothing";
    window->Text3_OLEDragDrop({good});
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_EQ(control<QLineEdit>("Text3")->text().toStdString(), good);
    EXPECT_EQ(window->image().cell(0xC000, 0), 0x01);
    EXPECT_FALSE(window->image().RowHasData(0xC100));
    window->Text3_OLEDragDrop({bad});
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].message.text, "Error Code = 9 ; line number = 2");
    EXPECT_EQ(window->image().cell(0xC000, 0), 0x01) << "the image before the bad file stays";
}

TEST_F(Window, InputDuringARunningUpdateChangesNothingAndACloseWaitsForTheEnd) {
    // Slow answers, so that the update is still running when the clicks come.
    start({.programTime = 5ms});
    reveal();
    click("cmdKirune");
    ASSERT_TRUE(window->operationRunning());
    click("Command8");
    click("cmdKirune");
    menuItem(5)->trigger();
    click("cmdCheckSum");
    window->Text3_OLEDragDrop({"/nonexistent.mot"});
    window->close();
    EXPECT_TRUE(window->isVisible()) << "the close must wait";
    waitForTheRun();
    EXPECT_EQ(std::ranges::count(kinds(), MessageKind::EraseBlocks), 1)
        << "a second erase went out";
    EXPECT_EQ(std::ranges::count(kinds(), MessageKind::ModelCheck), 1) << "a second start went out";
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].message, Message::ok("Completed."));
    EXPECT_EQ(window->GetCOM(), 1);
    EXPECT_TRUE(menuItem(1)->isChecked());
    EXPECT_FALSE(menuItem(5)->isChecked());
    QTest::qWait(50);
    EXPECT_FALSE(window->isVisible()) << "the held close happens after the message";
}

TEST_F(Window, EveryControlHasAnAccessibleNameOfItsOwn) {
    start();
    std::set<QString> names;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->objectName().startsWith("qt_")) {
            continue;  // the menu bar's own overflow button, Qt's to name
        }
        if (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
            qobject_cast<QLabel*>(widget) || qobject_cast<QProgressBar*>(widget) ||
            qobject_cast<QGroupBox*>(widget) || qobject_cast<QMenu*>(widget)) {
            const QString name = widget->accessibleName();
            EXPECT_FALSE(name.isEmpty()) << widget->objectName().toStdString();
            EXPECT_TRUE(names.insert(name).second) << name.toStdString() << " is named twice";
        }
    }
}

TEST_F(Window, TheJapaneseCaptionsHaveTheirGlyphs) {
    start();
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            text = button->text();
        }
        const QFontMetrics metrics(widget->font());
        for (const char32_t c : text.toUcs4()) {
            EXPECT_TRUE(metrics.inFontUcs4(c))
                << widget->objectName().toStdString() << ": U+" << std::hex << unsigned(c)
                << " missing in " << widget->font().family().toStdString();
        }
    }
}

}  // namespace
}  // namespace rkt5
