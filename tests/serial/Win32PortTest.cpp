// The Win32 serial port against a scripted driver that fails the way real drivers do, run under
// wine: each failure ends with its kind and reason, within the port's own limits, never a hang.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "common/RunTimeError.h"
#include "serial/PortNames.h"
#include "serial/SystemPorts.h"
#include "serial/Win32SerialPort.h"
#include "tests/serial/ScriptedDriver.h"

namespace rkt5 {
namespace {

using namespace std::chrono_literals;
using Fault = test::ScriptedDriver::Fault;

// The port the scripted driver stands for.
const PortIdentity kCom1 = PortNames().identify(1);

TEST(Win32Port, EveryComPortOpensByItsFullDevicePathAndAPathGivenSoIsTakenAsItIs) {
    EXPECT_EQ(win32DevicePath("COM3"), L"\\\\.\\COM3");
    EXPECT_EQ(win32DevicePath("COM23"), L"\\\\.\\COM23");
    EXPECT_EQ(win32DevicePath("\\\\.\\COM23"), L"\\\\.\\COM23");
}

// Ends the test program with a message when a row runs past `limit`: a port that hangs must fail
// its row, not stop the suite.
class Watchdog {
  public:
    Watchdog(const char* row, std::chrono::seconds limit)
        : thread_([this, row, limit] {
              std::unique_lock lock(mutex_);
              if (!ended_.wait_for(lock, limit, [this] { return done_; })) {
                  std::fprintf(stderr, "%s: still running after %llds: the port hangs\n", row,
                               static_cast<long long>(limit.count()));
                  std::_Exit(1);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        ended_.notify_one();
        thread_.join();
    }

  private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread thread_;
};

// One exchange as the link makes it: open, the far end sends, a write, the bytes read as they
// come, close. What it ended with: the bytes read, or the error that stopped it.
struct Played {
    std::string received;
    std::optional<ErrorNumber> error;
    std::string reason;
    std::string lineErrors;
};

Played play(Win32SerialPort& port, test::ScriptedDriver& driver) {
    Played played;
    try {
        port.setPortOpen(true);
        driver.arrive({'A', 'B', 'C'});
        port.output(std::vector<std::uint8_t>{'x', 'y', 'z'});
        QElapsedTimer waited;
        waited.start();
        while (played.received.size() < 3 && waited.elapsed() < 3000) {
            port.waitForInput(20ms);
            if (port.inBufferCount() > 0) {
                for (const std::uint8_t byte : port.input()) {
                    played.received += static_cast<char>(byte);
                }
            }
        }
        played.lineErrors = port.takeLineErrors();
    } catch (const RunTimeError& failure) {
        played.error = failure.number();
        played.reason = failure.what();
    }
    port.setPortOpen(false);
    return played;
}

TEST(Win32Port, EachWayADriverFailsEndsWithItsKindAndReasonInsteadOfHanging) {
    const struct {
        const char* name;
        Fault fault;
        std::optional<ErrorNumber> error;  // none: the bytes come through
        std::string reason;                // with no error: the line errors reported
    } rows[] = {
        {"a driver that behaves", Fault::None, {}, ""},
        {"the wait never ends", Fault::WaitNeverEnds, {}, ""},
        {"a read pends for ever", Fault::ReadPendsForever, ErrorNumber::LineLost,
         "ReadFile did not end within 1000 ms"},
        {"the wait fails", Fault::WaitFailsAccessDenied, ErrorNumber::LineLost,
         win32ErrorText(ERROR_ACCESS_DENIED)},
        {"ClearCommError fails", Fault::ClearCommErrorFails, ErrorNumber::LineLost,
         "ClearCommError: " + win32ErrorText(ERROR_BAD_COMMAND)},
        {"the write ignores its cancel", Fault::WriteIgnoresCancel, ErrorNumber::PortWriteFailed,
         "WriteFile did not end within 3000 ms, and the driver kept it when it was cancelled"},
        {"the wait ends at once for ever", Fault::WaitEndsAtOnceForever, {}, ""},
        {"a read of an empty queue pends", Fault::EmptyReadsPend, {}, ""},
        {"XonChar equals XoffChar", Fault::XonEqualsXoff, {}, ""},
        {"removed in the write", Fault::RemovedMidWrite, ErrorNumber::LineLost,
         win32ErrorText(ERROR_DEVICE_REMOVED)},
        {"line errors", Fault::LineErrors, {}, "framing 1, overrun 1"},
    };
    for (const auto& row : rows) {
        const Watchdog watchdog(row.name, 20s);
        test::ScriptedDriver driver(row.fault);
        Win32SerialPort port(driver);
        port.setPort(kCom1);
        const Played played = play(port, driver);
        EXPECT_EQ(played.error, row.error) << row.name << ": " << played.reason;
        if (row.error) {
            EXPECT_NE(played.reason.find(row.reason), std::string::npos)
                << row.name << ": " << played.reason;
        } else {
            EXPECT_EQ(played.lineErrors, row.reason) << row.name;
            EXPECT_EQ(played.received, "ABC") << row.name;
            EXPECT_EQ(std::string(driver.written().begin(), driver.written().end()), "xyz");
        }
        // A port that spun on its wait would have started thousands.
        EXPECT_LE(driver.waitCalls(), 4 * Win32SerialPort::kArmRounds) << row.name;
    }
}

// What "rkt5-flash ports" says of a port that another program holds, or that opens but will
// not take the update's settings. (Wine lets any number of programs open one COM port.)
TEST(Win32Port, APortTheUpdateCannotUseSaysWhy) {
    const struct {
        Fault fault;
        std::string why;
    } rows[] = {
        {Fault::InUse, "cannot open COM1: it is in use by another program"},
        {Fault::RefusesSettings,
         "cannot set COM1 to 57600,n,8,1: " + win32ErrorText(ERROR_INVALID_PARAMETER)},
    };
    for (const auto& row : rows) {
        test::ScriptedDriver driver(row.fault);
        Win32SerialPort port(driver);
        EXPECT_EQ(whyItWillNotOpen(port, kCom1, LineSettings{57600}), row.why);
        EXPECT_FALSE(port.portOpen());
    }
}

TEST(Win32Port, OpeningAndClosingTwoHundredTimesLeavesNoHandleBehind) {
    test::ScriptedDriver driver(Fault::None);
    Win32SerialPort port(driver);
    port.setPort(kCom1);
    play(port, driver);  // what the first use makes once
    DWORD before = 0;
    GetProcessHandleCount(GetCurrentProcess(), &before);
    for (int round = 0; round < 200; ++round) {
        play(port, driver);
    }
    DWORD after = 0;
    GetProcessHandleCount(GetCurrentProcess(), &after);
    EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace rkt5
