// The station window under the offscreen platform, its rows bound to three simulated
// transceivers on pseudo-terminals, each updated in a thread of its own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocumentFragment>
#include <array>
#include <map>
#include <memory>
#include <vector>

#include "firmware/FirmwareLines.h"
#include "image/StartupImage.h"
#include "sim/PtyTransceiver.h"
#include "ui/station/StationWindow.h"

namespace rkt5 {
namespace {

using namespace std::chrono_literals;
using sim::Fault;
using sim::MessageKind;

constexpr int kRunLimitMs = 60000;  // three whole updates unpaced, on a busy machine

class StationWindowTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        image = new FlashImage;
        buildStartupImage(*image, *std::make_unique<FirmwareTable>());
    }
    static void TearDownTestSuite() { delete image; }

    // Three transceivers; the window's rows are the ports bound to them, or with `listing` the
    // USB adapters it lists; `cables` says what is known of their cables.
    void open(
        std::array<sim::SimulatorOptions, 3> options, PortListing::SystemListing listing = nullptr,
        PortListing::CableListing cables = [](const PortNames&, const std::vector<SystemPort>&) {
            return CableSurvey{};
        }) {
        PortNames names;
        for (std::size_t i = 0; i < options.size(); ++i) {
            options[i].pace = false;
            units.push_back(std::make_unique<sim::PtyTransceiver>(options[i]));
            names.bind(static_cast<int>(i) + 1, units[i]->portPath());
        }
        window = std::make_unique<StationWindow>(
            UpdateSettings{image, 2, 300ms}, StationRecords{.run = {.firmware = {"EG5.000", "0"}}},
            listing
                ? PortListing({}, {}, std::move(listing), std::move(cables))
                : PortListing(std::move(names), {1, 2, 3}, describeSystemPorts, std::move(cables)));
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    template <typename Widget = QWidget>
    Widget* control(const QString& name) const {
        auto* found = window->findChild<Widget*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    QLabel* result(std::size_t unit) const { return control<QLabel>(named("result:", unit)); }
    // The result's lines as they read: the message, then the reason or the time.
    std::vector<std::string> resultLines(std::size_t unit) const {
        std::vector<std::string> lines;
        const QString text = QTextDocumentFragment::fromHtml(result(unit)->text()).toPlainText();
        for (const QString& line : text.split('\n')) {
            lines.push_back(line.toStdString());
        }
        return lines;
    }
    std::string totals() const { return control<QLabel>("totals")->text().toStdString(); }
    QString named(const char* kind, std::size_t unit) const {
        return kind + QString::fromStdString(units[unit]->portPath());
    }
    void waitUntilIdle(QSignalSpy& idle) const { ASSERT_TRUE(idle.wait(kRunLimitMs)); }

    static inline FlashImage* image = nullptr;
    std::vector<std::unique_ptr<sim::PtyTransceiver>> units;
    std::vector<std::size_t> plugged;  // the units whose adapters the system lists
    std::unique_ptr<StationWindow> window;
};

TEST_F(StationWindowTest, StartAllUpdatesEveryRowAndStartFailedAgainOnlyTheFailedOnes) {
    open({{{}, {}, {.faults = {{MessageKind::Program, 0, Fault::Action::Reply, "NG"}}}}});
    EXPECT_EQ(window->findChildren<QPushButton*>(QRegularExpression("^start:")).size(), 3);
    EXPECT_FALSE(control("startFailedAgain")->isEnabled());

    QSignalSpy idle(&window->station(), &Station::idle);
    QTest::keyClick(window.get(), Qt::Key_Return);  // "Start all" is the window's default
    waitUntilIdle(idle);
    EXPECT_EQ(resultLines(0).front(), "Completed.");
    EXPECT_EQ(resultLines(1).front(), "Completed.");
    ASSERT_EQ(resultLines(2).size(), 2);
    EXPECT_EQ(resultLines(2)[0], "Write failed.");
    EXPECT_FALSE(resultLines(2)[1].empty()) << "the reason, on the second line";
    EXPECT_EQ(result(0)->styleSheet(), result(1)->styleSheet());
    EXPECT_NE(result(0)->styleSheet(), result(2)->styleSheet()) << "failed looks unlike done";
    EXPECT_EQ(totals(), "Completed: 2  Failed: 1");

    for (const auto& unit : units) {
        unit->clearLog();
    }
    QTest::mouseClick(control("startFailedAgain"), Qt::LeftButton);
    waitUntilIdle(idle);
    EXPECT_TRUE(units[0]->receivedMessages().empty());
    EXPECT_TRUE(units[1]->receivedMessages().empty());
    EXPECT_FALSE(units[2]->receivedMessages().empty());
    EXPECT_EQ(resultLines(0).front(), "Completed.");
    EXPECT_EQ(totals(), "Completed: 2  Failed: 2");
}

// A cable another program holds: its row says so before anything starts, and again beside the
// failure when nothing came back over it.
TEST_F(StationWindowTest, ARowShowsWhatIsWrongWithItsCableBeforeAndWithItsFailure) {
    const std::string held = "Cable: minicom (process 812) has ";
    open({{{}, {.faults = {{MessageKind::ModelCheck, 0, Fault::Action::Silent}}}, {}}}, nullptr,
         [&](const PortNames& names, const std::vector<SystemPort>&) {
             const CableFingerprint cable{.device = units[1]->portPath(),
                                          .holder = "minicom (process 812)"};
             return surveyCables({cable}, {}, names, CableSystem{});
         });
    ASSERT_EQ(resultLines(1).size(), 3);
    EXPECT_EQ(resultLines(1)[0], "Not started");
    EXPECT_EQ(resultLines(1)[1], held + units[1]->portPath() + " open");
    EXPECT_EQ(resultLines(1)[2],
              "Fix: Close minicom (process 812): the update needs the port to "
              "itself.");
    EXPECT_EQ(resultLines(0), std::vector<std::string>{"Not started"});

    QSignalSpy idle(&window->station(), &Station::idle);
    QTest::mouseClick(control("startAll"), Qt::LeftButton);
    waitUntilIdle(idle);
    ASSERT_EQ(resultLines(1).size(), 4);
    EXPECT_EQ(resultLines(1)[0], "Error");
    EXPECT_EQ(resultLines(1)[2], held + units[1]->portPath() + " open");
}

// Enter pressed where the focus is, as an operator presses it: "Start all" went grey while every
// row ran, and must have the focus again for the next round.
TEST_F(StationWindowTest, EnterAloneStartsEveryRowRoundAfterRound) {
    open({});
    QSignalSpy idle(&window->station(), &Station::idle);
    for (int round = 1; round <= 2; ++round) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        waitUntilIdle(idle);
    }
    EXPECT_EQ(totals(), "Completed: 6  Failed: 0");
}

// A barcode scanner types each label and presses Enter: the labels go row after row, nothing
// starts until the operator's own Enter, and each label comes back with its unit's result.
TEST_F(StationWindowTest, ScannedLabelsGoRowByRowAndComeBackWithEachResult) {
    open({});
    QSignalSpy idle(&window->station(), &Station::idle);
    QSignalSpy finished(&window->station(), &Station::finished);
    QTest::mouseClick(control(named("unit:", 0)), Qt::LeftButton);
    for (const char* scanned : {"SN-0001", "SN-0002", "SN-0003"}) {
        QTest::keyClicks(QApplication::focusWidget(), scanned);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    EXPECT_EQ(QApplication::focusWidget(), control("startAll"));
    EXPECT_EQ(window->station().runningCount(), 0) << "a scan never starts an update";

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    waitUntilIdle(idle);
    std::map<std::string, std::string> labels;
    for (const QList<QVariant>& signal : finished) {
        const auto result = signal.at(0).value<UnitResult>();
        labels[result.port.device] = result.unit;
    }
    EXPECT_EQ(labels, (std::map<std::string, std::string>{{units[0]->portPath(), "SN-0001"},
                                                          {units[1]->portPath(), "SN-0002"},
                                                          {units[2]->portPath(), "SN-0003"}}));
}

TEST_F(StationWindowTest, ACloseWhileWritingIsHeldUntilEveryWriteHasEnded) {
    open({{{.programTime = 3ms}, {}, {}}});
    QSignalSpy idle(&window->station(), &Station::idle);
    QTest::mouseClick(control("startAll"), Qt::LeftButton);
    auto* bar = control<QProgressBar>(named("bar:", 0));
    // The slow unit is writing and the others are done, so that only the held close keeps
    // their buttons from being pressed.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return bar->value() > bar->minimum() && window->station().runningCount() == 1; },
        kRunLimitMs));
    window->close();
    EXPECT_TRUE(window->isVisible()) << "the close must wait";
    EXPECT_FALSE(control(named("start:", 1))->isEnabled())
        << "nothing new starts once a close waits";
    waitUntilIdle(idle);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }));
    EXPECT_EQ(resultLines(0).front(), "Completed.");
}

TEST_F(StationWindowTest, AnAdapterPluggedInGetsARowAndOneUnpluggedGoesOnceNotWritten) {
    plugged = {0};
    open({{{.programTime = 3ms}, {}, {}}}, [&] {
        std::vector<SystemPort> listed;
        for (std::size_t unit : plugged) {
            listed.push_back({.device = units[unit]->portPath(), .vendorId = 0x0403});
        }
        return listed;
    });
    const auto rows = [&] {
        return window->findChildren<QPushButton*>(QRegularExpression("^start:")).size();
    };
    EXPECT_EQ(rows(), 1);
    plugged = {0, 1};
    QTest::mouseClick(control("refresh"), Qt::LeftButton);
    EXPECT_EQ(rows(), 2);
    EXPECT_TRUE(units[1]->receivedMessages().empty()) << "a new row waits for its Start";

    QSignalSpy idle(&window->station(), &Station::idle);
    QTest::mouseClick(control(named("start:", 0)), Qt::LeftButton);
    plugged = {1};
    window->refresh();
    EXPECT_EQ(rows(), 2) << "the row being written stays";
    waitUntilIdle(idle);
    window->refresh();
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(control<QLabel>(named("name:", 1))->text().toStdString(),
              "COM1 " + units[1]->portPath());
}

TEST_F(StationWindowTest, EveryControlIsNamedAndTheKeyboardReachesEveryButton) {
    open({});
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLabel*>(widget) ||
            qobject_cast<QProgressBar*>(widget) || qobject_cast<QLineEdit*>(widget)) {
            EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->objectName().toStdString();
        }
    }
    EXPECT_EQ(QApplication::focusWidget(), control("startAll"));
    std::vector<QString> reached;
    for (int press = 0; press < 8; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.push_back(QApplication::focusWidget()->objectName());
    }
    const std::vector<QString> expected = {
        "refresh",          named("unit:", 0), named("start:", 0), named("unit:", 1),
        named("start:", 1), named("unit:", 2), named("start:", 2), "startAll"};
    EXPECT_EQ(reached, expected) << "a disabled \"Start failed again\" is passed over";
}

TEST(StationRefresh, APortThatWentStaysOnlyWhileRunningAndANewOneComesInItsPlace) {
    const auto ports = [](std::initializer_list<const char*> devices) {
        std::vector<StationPort> made;
        for (const char* device : devices) {
            made.push_back({.device = device});
        }
        return made;
    };
    const auto devices = [](const std::vector<StationPort>& rows) {
        std::vector<std::string> made;
        for (const StationPort& row : rows) {
            made.push_back(row.device);
        }
        return made;
    };
    const auto runningB = [](const std::string& device) { return device == "b"; };
    const struct {
        std::vector<StationPort> rows, listed;
        std::vector<std::string> after;
    } cases[] = {
        {ports({"a", "b", "c"}), ports({"a", "c"}), {"a", "b", "c"}},
        {ports({"a", "b", "c"}), ports({"c", "d"}), {"b", "c", "d"}},
        {ports({"a", "c"}), ports({"a", "b", "c"}), {"a", "b", "c"}},
        {ports({"b"}), ports({}), {"b"}},
        {ports({"a"}), ports({}), {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(devices(rowsAfterRefresh(c.rows, c.listed, runningB)), c.after);
    }
}

}  // namespace
}  // namespace rkt5
