// The system's serial port on a real line: a pseudo-terminal, or under wine the COM port wine
// makes of one.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "common/RunTimeError.h"
#include "common/WireProtocol.h"
#include "link/ChosenLine.h"
#include "link/RadioLink.h"
#include "serial/PortNames.h"
#include "serial/SystemSerialPort.h"
#include "tests/link/SimulatedTransceiver.h"

namespace rkt5 {
namespace {

using namespace std::chrono_literals;

template <typename Call>
std::optional<RunTimeError> errorOf(Call call) {
    try {
        call();
    } catch (const RunTimeError& error) {
        return error;
    }
    return std::nullopt;
}

class SerialPortOnALine : public testing::Test {
  protected:
    SerialPortOnALine() {
        choice.chosenPort = PortNames::bound(1, transceiver.portPath());
        port.setPort(choice.chosenPort);
        link.Timer1.setInterval(300ms);
    }

    // The speed the transceiver's end of the line had when the model check arrived.
    int speedSeenByTheTransceiver() {
        transceiver.clearLog();
        EXPECT_EQ(link.exchangeText(wire::kModelCommand, 17), 17);
        const auto messages = transceiver.receivedMessages();
        return messages.size() == 1 ? messages[0].lineSpeed : -1;
    }

    static sim::SimulatorOptions unpaced() {
        sim::SimulatorOptions options;
        options.pace = false;
        return options;
    }

    test::SimulatedTransceiver transceiver{unpaced()};
    SystemSerialPort port;
    ChosenLine choice;
    RadioLink link{port, choice};
};

TEST_F(SerialPortOnALine, SettingsApplyAtOnceAndOutliveClosing) {
    port.setPortOpen(true);
    EXPECT_EQ(speedSeenByTheTransceiver(), 9600);  // before any settings were written
    port.setSettings(LineSettings{38400});
    EXPECT_EQ(speedSeenByTheTransceiver(), 38400);
    port.setPortOpen(false);
    port.setPortOpen(true);
    EXPECT_EQ(speedSeenByTheTransceiver(), 38400);
    port.setPortOpen(false);
    port.setSettings(LineSettings{57600});
    port.setPortOpen(true);
    EXPECT_EQ(speedSeenByTheTransceiver(), 57600);
    port.setPortOpen(false);
}

TEST_F(SerialPortOnALine, APortThatWillNotOpenSaysWhy) {
    struct Case {
        PortIdentity port;
        std::string device;
        std::string why;
    };
    std::vector<Case> cases{
        {PortNames::bound(2, test::kMissingPort), test::kMissingPort, "no such device"}};
    SystemSerialPort other;
#ifndef _WIN32
    // Wine lets any number of programs open one COM port: the Win32 port's scripted driver has
    // Windows' refusal.
    other.setPort(PortNames::bound(1, transceiver.portPath()));
    other.setPortOpen(true);  // another program holds the line
    cases.push_back({choice.chosenPort, transceiver.portPath(), "in use by another program"});
#endif
    for (const auto& c : cases) {
        port.setPort(c.port);
        const auto error = errorOf([&] { port.setPortOpen(true); });
        ASSERT_TRUE(error) << c.device;
        EXPECT_EQ(error->number(), ErrorNumber::PortOpenFailed);
        const std::string what = error->what();
        EXPECT_NE(what.find(c.device), std::string::npos) << what;
        EXPECT_NE(what.find(c.why), std::string::npos) << what;
        EXPECT_FALSE(port.portOpen());
    }

    port.setPort(PortNames().identify(0));
    EXPECT_EQ(errorOf([&] { port.setPortOpen(true); })->number(), ErrorNumber::PortOpenFailed);
}

TEST_F(SerialPortOnALine, AClosedPortRefusesToWriteOrCount) {
    const std::uint8_t byte = 'x';
    EXPECT_EQ(errorOf([&] { port.output({&byte, 1}); })->number(), ErrorNumber::PortNotOpen);
    EXPECT_EQ(errorOf([&] { port.inBufferCount(); })->number(), ErrorNumber::PortNotOpen);
}

TEST_F(SerialPortOnALine, BytesComeBackUnchangedWhateverTheirValue) {
    // A row frame comes back whole after its echo, so its data bytes cross the line both ways.
    // Each value here is one that a terminal in its default mode would translate or swallow:
    // NUL, CR, LF, XON, XOFF, DEL, 0xFF.
    ASSERT_EQ(link.ConnectRadio(ProtocolMode::Mode0).status, Reply::OK);
    for (const std::uint8_t value : {0x00, 0x0D, 0x0A, 0x11, 0x13, 0x7F, 0xFF}) {
        link.CommandFrame.fill(value);
        link.CommandFrame[0] = 0xC0;  // row 0xC000, the first of the image
        link.CommandFrame[1] = 0x00;
        link.CommandFrame[18] = 0x00;
        link.CommandFrame[19] = 0x00;
        link.openPortIfClosed();
        EXPECT_EQ(link.SendPacket(ProtocolMode::Mode0), 40) << "value " << int(value);
        link.closePortIfOpen();
        ASSERT_EQ(link.RxBuffer.size(), 40u) << "value " << int(value);
        EXPECT_TRUE(
            std::equal(link.CommandFrame.begin(), link.CommandFrame.end(), link.RxBuffer.begin()))
            << "value " << int(value);
        EXPECT_TRUE(std::equal(link.CommandFrame.begin(), link.CommandFrame.end(),
                               link.RxBuffer.begin() + 20))
            << "value " << int(value);
    }
}

}  // namespace
}  // namespace rkt5
