// Every exchange of the link over a real pseudo-terminal, against the simulated transceiver.
#include <algorithm>
#include <chrono>
#include <memory>
#include <numeric>
#include <string>

#include <gtest/gtest.h>

#include "common/RunTimeError.h"
#include "common/WireProtocol.h"
#include "link/ChosenLine.h"
#include "link/RadioLink.h"
#include "serial/PortNames.h"
#include "serial/SystemSerialPort.h"
#include "tests/link/RecordingPort.h"
#include "tests/link/SimulatedTransceiver.h"
#include "tests/support/TempDir.h"

namespace rkt5 {
namespace {

using namespace std::chrono_literals;
using sim::Fault;
using sim::MessageKind;

// Short enough to keep time-outs cheap, long enough for a loaded machine to answer in time.
constexpr std::chrono::milliseconds kTestReplyTime{300};

std::vector<std::uint8_t> bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

std::vector<std::uint8_t> endPacket() {
    std::vector<std::uint8_t> packet(wire::kPacketSize, 0xFF);
    packet[1] = wire::kPacketHead1;
    packet[2] = 'E';
    packet[3] = 'D';
    const auto sum =
        std::accumulate(packet.begin() + 2, packet.begin() + wire::kPacketChecksumOffset, 0u);
    packet[wire::kPacketChecksumOffset] = static_cast<std::uint8_t>(sum & 0xFF);
    return packet;
}

// Designated initializers would leave members unnamed; these say only what each case changes.
Fault replyWith(MessageKind kind, std::string answer) {
    Fault fault;
    fault.kind = kind;
    fault.action = Fault::Action::Reply;
    fault.reply = std::move(answer);
    return fault;
}

Fault fault(MessageKind kind, Fault::Action action, int count = 0,
            std::chrono::milliseconds delay = {}) {
    Fault made;
    made.kind = kind;
    made.action = action;
    made.count = count;
    made.delay = delay;
    return made;
}

sim::SimulatorOptions unpaced(std::vector<Fault> faults = {}) {
    sim::SimulatorOptions options;
    options.pace = false;
    options.faults = std::move(faults);
    return options;
}

sim::SimulatorOptions pacedAt(int baud) {
    sim::SimulatorOptions options;
    options.baud = baud;
    return options;
}

sim::SimulatorOptions inAnotherRegion() {
    sim::SimulatorOptions options = unpaced();
    options.regionOther = true;
    return options;
}

class PtyLink : public testing::Test {
  protected:
    PtyLink() { link.Timer1.setInterval(kTestReplyTime); }

    void start(sim::SimulatorOptions options = unpaced()) {
        transceiver = std::make_unique<test::SimulatedTransceiver>(std::move(options));
        choice.chosenPort = PortNames::bound(1, transceiver->portPath());
    }
    void start(std::vector<Fault> faults) { start(unpaced(std::move(faults))); }

    // What every operation leaves behind, whatever happened in it.
    void expectIdle() const {
        EXPECT_FALSE(serialPort.portOpen());
        EXPECT_FALSE(link.Timer1.armed());
        EXPECT_EQ(port.opens, port.closes);
    }

    std::vector<sim::ReceivedMessage> received() const { return transceiver->receivedMessages(); }

    std::unique_ptr<test::SimulatedTransceiver> transceiver;
    SystemSerialPort serialPort;
    test::RecordingPort port{serialPort};
    ChosenLine choice;
    RadioLink link{port, choice};
};

// --- ConnectRadio ---------------------------------------------------------------------------

struct ConnectAnswer {
    ProtocolMode mode;
    std::string_view command;
    Reply status;
    std::size_t received;  // echo and answer
};

class ConnectRadioMode : public PtyLink, public testing::WithParamInterface<ConnectAnswer> {};

TEST_P(ConnectRadioMode, EntersFlashModeAndKeepsEverythingRead) {
    start();
    const ConnectAnswer& mode = GetParam();
    EXPECT_EQ(link.ConnectRadio(mode.mode).status, mode.status);
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(port.writes[0], bytesOf(mode.command));
    ASSERT_EQ(link.RxBuffer.size(), mode.received);
    EXPECT_TRUE(std::equal(mode.command.begin(), mode.command.end(), link.RxBuffer.begin()));
    EXPECT_EQ(link.ReadReply(static_cast<int>(mode.command.size())), mode.status);
    expectIdle();
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ConnectRadioMode,
    testing::Values(ConnectAnswer{ProtocolMode::Mode0, wire::kConnectCommandMode0, Reply::OK, 25},
                    ConnectAnswer{ProtocolMode::Mode1, wire::kConnectCommandMode1, Reply::OK, 23},
                    ConnectAnswer{ProtocolMode::Mode2, wire::kConnectCommandMode2, Reply::CT, 13}));

struct ConnectFault {
    std::string_view name;
    ProtocolMode mode;
    Fault fault;
    Reply status;
    std::size_t received;
};

std::ostream& operator<<(std::ostream& out, const ConnectFault& c) {
    return out << c.name;
}

class ConnectRadioFault : public PtyLink, public testing::WithParamInterface<ConnectFault> {};

TEST_P(ConnectRadioFault, GivesItsStatusAndLeavesThePortClosed) {
    start({GetParam().fault});
    EXPECT_EQ(link.ConnectRadio(GetParam().mode).status, GetParam().status);
    EXPECT_EQ(link.RxBuffer.size(), GetParam().received);
    expectIdle();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ConnectRadioFault,
    testing::Values(
        ConnectFault{"Mode2Ng", ProtocolMode::Mode2, replyWith(MessageKind::ConnectMode2, "NG"),
                     Reply::Other, 13},
        // "OK" is a success code of its own; the mode 2 callers refuse it.
        ConnectFault{"Mode2Ok", ProtocolMode::Mode2, replyWith(MessageKind::ConnectMode2, "OK"),
                     Reply::OK, 13},
        ConnectFault{"Mode1Ng", ProtocolMode::Mode1, replyWith(MessageKind::ConnectMode1, "NG"),
                     Reply::Other, 23},
        // Echo and "OK" CR LF only: the 23 bytes awaited never come.
        ConnectFault{"Mode1ShortReplyTimesOut", ProtocolMode::Mode1,
                     fault(MessageKind::ConnectMode1, Fault::Action::PartialReply, 4), Reply::Other,
                     7},
        ConnectFault{"Mode0ShortReplyTimesOut", ProtocolMode::Mode0,
                     fault(MessageKind::ConnectMode0, Fault::Action::PartialReply, 19),
                     Reply::Other, 24},
        ConnectFault{"Mode2Silent", ProtocolMode::Mode2,
                     fault(MessageKind::ConnectMode2, Fault::Action::Silent), Reply::Other, 0},
        ConnectFault{"Mode2AnswerAfterTheTimeOut", ProtocolMode::Mode2,
                     fault(MessageKind::ConnectMode2, Fault::Action::Late, 0, 3 * kTestReplyTime),
                     Reply::Other, 9},
        // Without its whole echo nothing that comes back can be told for the answer: what
        // follows the echo's first eight bytes is no answer of its own.
        ConnectFault{"Mode2EchoByteLost", ProtocolMode::Mode2,
                     fault(MessageKind::ConnectMode2, Fault::Action::DropEcho, 1), Reply::Other,
                     8}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PtyLink, ConnectWaitsForAnAnswerThatArrivesInPieces) {
    // At 1200 bit/s the 13 bytes take over 100 ms, so the link sees them trickle in.
    start(pacedAt(1200));
    link.Timer1.setInterval(1s);
    EXPECT_EQ(link.ConnectRadio(ProtocolMode::Mode2).status, Reply::CT);
    EXPECT_EQ(link.RxBuffer.size(), 13u);
    EXPECT_TRUE(std::any_of(port.counts.begin(), port.counts.end(), [](int count) {
        return count > 0 && count < 13;
    })) << "every reading saw all or nothing";
    expectIdle();
}

TEST_F(PtyLink, LineErrorsTheDeviceReportsAreWrittenAtTheEndOfTheExchange) {
    start();
    const test::TempDir dir;
    const std::string log = dir.file("exchanges.log");
    ASSERT_TRUE(link.log().open(log, "test"));
    port.lineErrors = "framing 1, overrun 2";
    link.CheckModel();
    EXPECT_NE(test::readBytes(log).find("exchange ended: 17 of 17 bytes, line errors: framing 1, "
                                        "overrun 2"),
              std::string::npos)
        << test::readBytes(log);
}

TEST_F(PtyLink, TheLogTellsOfEachPortsCableAtItsFirstOpening) {
    start();
    const test::TempDir dir;
    const std::string log = dir.file("exchanges.log");
    ASSERT_TRUE(link.log().open(log, "test", [](const std::string&) {
        return "WCH CH340, USB 1a86:7523\nCable: its fault\nFix: its fix";
    }));
    link.CheckModel();
    link.CheckModel();
    std::string text = test::readBytes(log);
    std::erase(text, '\r');  // Windows writes its lines with CR LF
    const std::string told = "# " + choice.port().displayName +
                             ": WCH CH340, USB 1a86:7523\n# Cable: its fault\n# Fix: its fix";
    ASSERT_NE(text.find(told), std::string::npos) << text;
    EXPECT_EQ(text.find(told, text.find(told) + 1), std::string::npos) << "told once:\n" << text;
}

TEST_F(PtyLink, ConnectToAMissingPortFailsWithoutWriting) {
    choice.chosenPort = PortNames::bound(1, test::kMissingPort);
    EXPECT_EQ(link.ConnectRadio(ProtocolMode::Mode2).status, Reply::Other);
    EXPECT_TRUE(port.writes.empty());
    EXPECT_EQ(port.opens, 1);
    EXPECT_FALSE(serialPort.portOpen());
    EXPECT_FALSE(link.Timer1.armed());
}

TEST_F(PtyLink, ConnectOpensThePortChosen) {
    start();
    choice.chosenPort = PortNames::bound(5, transceiver->portPath());
    EXPECT_EQ(link.ConnectRadio(ProtocolMode::Mode2).status, Reply::CT);
    EXPECT_EQ(serialPort.port().number, 5);
    expectIdle();
}

TEST_F(PtyLink, ALineLostDuringAnExchangeIsAFailure) {
    start({fault(MessageKind::ConnectMode2, Fault::Action::HangUp, 4)});
    EXPECT_EQ(link.ConnectRadio(ProtocolMode::Mode2).status, Reply::Other);
    expectIdle();
}

// --- CheckModel -------------------------------------------------------------------------------

struct ModelAnswer {
    std::string_view name;
    sim::SimulatorOptions options;
    Reply status;
    std::size_t received;
};

std::ostream& operator<<(std::ostream& out, const ModelAnswer& c) {
    return out << c.name;
}

class CheckModelAnswer : public PtyLink, public testing::WithParamInterface<ModelAnswer> {};

TEST_P(CheckModelAnswer, GivesItsStatusAndLeavesThePortClosed) {
    start(GetParam().options);
    EXPECT_EQ(link.CheckModel().status, GetParam().status);
    EXPECT_EQ(link.RxBuffer.size(), GetParam().received);
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(port.writes[0], bytesOf(wire::kModelCommand));
    expectIdle();
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CheckModelAnswer,
    testing::Values(
        ModelAnswer{"Ok", unpaced(), Reply::OK, 17},
        ModelAnswer{"RegionError", inAnotherRegion(), Reply::RE, 17},
        ModelAnswer{"Ng", unpaced({replyWith(MessageKind::ModelCheck, "NG")}), Reply::Other, 17},
        ModelAnswer{"PinStateIsNoAnswerHere", unpaced({replyWith(MessageKind::ModelCheck, "03")}),
                    Reply::Other, 17},
        // Seventeen bytes, but the answer lacks its leading CR LF.
        ModelAnswer{"WithoutLeadingCrLf", unpaced({replyWith(MessageKind::ModelCheck, "OK\r\nAB")}),
                    Reply::Other, 17},
        ModelAnswer{"SixteenBytesTimeOut",
                    unpaced({fault(MessageKind::ModelCheck, Fault::Action::PartialReply, 5)}),
                    Reply::Other, 16},
        ModelAnswer{"Silent", unpaced({fault(MessageKind::ModelCheck, Fault::Action::Silent)}),
                    Reply::Other, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// --- SendPacket -------------------------------------------------------------------------------

class SendPacketOverPty : public PtyLink {
  protected:
    // Flash packets mean something to the transceiver only after the mode 2 connect.
    void startInFlashMode(sim::SimulatorOptions options = unpaced()) {
        start(std::move(options));
        ASSERT_EQ(link.ConnectRadio(ProtocolMode::Mode2).status, Reply::CT);
        port.writes.clear();
        port.settingsWritten.clear();
        transceiver->clearLog();
        loadEndPacket();
    }
    void loadEndPacket() {
        const std::vector<std::uint8_t> packet = endPacket();
        std::copy(packet.begin(), packet.end(), link.PacketBuffer.begin());
    }
    // SendPacket wants the port opened by its caller, as every flash operation does.
    int sendPacket(ProtocolMode mode) {
        link.openPortIfClosed();
        const int count = link.SendPacket(mode);
        link.closePortIfOpen();
        return count;
    }
};

TEST_F(SendPacketOverPty, AFlashPacketBringsBackItsEchoAndTheAnswer) {
    startInFlashMode();
    EXPECT_EQ(sendPacket(ProtocolMode::Mode2), 1036);
    ASSERT_EQ(link.RxBuffer.size(), 1036u);
    EXPECT_TRUE(
        std::equal(link.PacketBuffer.begin(), link.PacketBuffer.end(), link.RxBuffer.begin()));
    EXPECT_EQ(link.ReadReply(1032), Reply::ED);
    ASSERT_EQ(port.writes.size(), 2u);
    EXPECT_EQ(port.writes[0].size(), 512u);
    EXPECT_EQ(port.writes[1].size(), 520u);
    expectIdle();
}

TEST_F(SendPacketOverPty, ASilentLineStillGetsBothHalvesAndYieldsNothing) {
    startInFlashMode(unpaced({fault(MessageKind::End, Fault::Action::Silent)}));
    link.RxBuffer = bytesOf("left over");
    EXPECT_EQ(sendPacket(ProtocolMode::Mode2), 0);
    EXPECT_TRUE(link.RxBuffer.empty());
    ASSERT_TRUE(transceiver->waitForMessages(1, 2s));
    ASSERT_EQ(received().size(), 1u);
    EXPECT_EQ(received()[0].bytes, endPacket());
    expectIdle();
}

// At 9600 bit/s each half's echo takes over half a second on the line. With one period of 0.8 s
// for the whole packet the second half cannot make it; a period per half would let it.
TEST_F(SendPacketOverPty, BothHalvesShareOneTimerPeriod) {
    choice.speeds.select(0);
    startInFlashMode(pacedAt(9600));
    link.Timer1.setInterval(800ms);
    EXPECT_EQ(sendPacket(ProtocolMode::Mode2), 512);
    EXPECT_EQ(link.RxBuffer.size(), 512u);
    expectIdle();

    link.Timer1.setInterval(2500ms);
    startInFlashMode(pacedAt(9600));
    link.Timer1.setInterval(2500ms);
    EXPECT_EQ(sendPacket(ProtocolMode::Mode2), 1036);
    expectIdle();
}

TEST_F(SendPacketOverPty, ALostLineIsAnErrorForTheCaller) {
    startInFlashMode(unpaced({fault(MessageKind::End, Fault::Action::HangUp, 100)}));
    link.openPortIfClosed();
    try {
        link.SendPacket(ProtocolMode::Mode2);
        FAIL() << "a hang-up went unnoticed";
    } catch (const RunTimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::LineLost) << error.what();
    }
    EXPECT_FALSE(link.Timer1.armed());
    link.closePortIfOpen();
}

struct FrameMode {
    int mode;
    std::size_t sent;
};

class SendFrame : public SendPacketOverPty, public testing::WithParamInterface<FrameMode> {
  protected:
    // Frames mean something to the transceiver only once the connect of their mode is through.
    void startInFrameMode(std::vector<Fault> faults = {}) {
        start(std::move(faults));
        ASSERT_EQ(link.ConnectRadio(*protocolMode(GetParam().mode)).status, Reply::OK);
        port.writes.clear();
        std::copy(wire::kEndFrameHead.begin(), wire::kEndFrameHead.end(),
                  link.CommandFrame.begin());
    }
};

TEST_P(SendFrame, BringsBackTheEchoAndTheTwentyByteAnswer) {
    startInFrameMode();
    const int count = sendPacket(*protocolMode(GetParam().mode));
    EXPECT_EQ(count, static_cast<int>(GetParam().sent + 20));
    ASSERT_EQ(link.RxBuffer.size(), GetParam().sent + 20);
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_TRUE(std::equal(port.writes[0].begin(), port.writes[0].end(), link.RxBuffer.begin()));
    EXPECT_NE(link.ReadReply(static_cast<int>(GetParam().sent)), Reply::Other);
    if (GetParam().mode == 1) {
        EXPECT_EQ(std::string(port.writes[0].begin(), port.writes[0].begin() + 3), "CL~");
    }
    expectIdle();
}

TEST_P(SendFrame, ASilentLineYieldsNothing) {
    startInFrameMode({fault(MessageKind::EndFrame, Fault::Action::Silent)});
    EXPECT_EQ(sendPacket(*protocolMode(GetParam().mode)), 0);
    EXPECT_TRUE(link.RxBuffer.empty());
    expectIdle();
}

INSTANTIATE_TEST_SUITE_P(Modes, SendFrame, testing::Values(FrameMode{0, 20}, FrameMode{1, 23}));

// --- Line settings ----------------------------------------------------------------------------

struct SpeedCase {
    int option;
    int mode;
    std::vector<std::string> written;  // what the connect writes to the port's settings
    int lineSpeed;                     // what the transceiver's end of the line was set to
};

class LineSettingsApplied : public PtyLink, public testing::WithParamInterface<SpeedCase> {};

TEST_P(LineSettingsApplied, ByTheConnectOfEachModeAndOption) {
    start();
    choice.speeds.select(GetParam().option);
    link.ConnectRadio(*protocolMode(GetParam().mode));
    EXPECT_EQ(port.settingsWritten, GetParam().written);
    ASSERT_EQ(received().size(), 1u);
    EXPECT_EQ(received()[0].lineSpeed, GetParam().lineSpeed);
    expectIdle();
}

INSTANTIATE_TEST_SUITE_P(
    OptionsAndModes, LineSettingsApplied,
    testing::Values(SpeedCase{0, 0, {"9600,n,8,1"}, 9600}, SpeedCase{0, 1, {"9600,n,8,1"}, 9600},
                    SpeedCase{0, 2, {"9600,n,8,1"}, 9600}, SpeedCase{1, 0, {"38400,n,8,1"}, 38400},
                    SpeedCase{1, 1, {"38400,n,8,1"}, 38400},
                    SpeedCase{1, 2, {"38400,n,8,1"}, 38400},
                    // Modes 0 and 1 never read the 57600 option: nothing is written and the port
                    // runs at what it had before any settings, 9600.
                    SpeedCase{2, 0, {}, 9600}, SpeedCase{2, 1, {}, 9600},
                    SpeedCase{2, 2, {"57600,n,8,1"}, 57600}));

TEST_F(PtyLink, ModesZeroAndOneKeepTheSpeedOfTheLastExchange) {
    start();
    EXPECT_EQ(link.CheckModel().status, Reply::OK);
    EXPECT_EQ(link.ConnectRadio(ProtocolMode::Mode0).status, Reply::OK);
    EXPECT_EQ(link.ConnectRadio(ProtocolMode::Mode1).status, Reply::OK);
    EXPECT_EQ(port.settingsWritten, std::vector<std::string>{"57600,n,8,1"});
    const auto messages = received();
    ASSERT_EQ(messages.size(), 3u);
    for (const sim::ReceivedMessage& message : messages) {
        EXPECT_EQ(message.lineSpeed, 57600);
    }
    expectIdle();
}

TEST_F(SendPacketOverPty, AppliesTheSettingsBeforeEachWriteOnTheOpenPort) {
    startInFlashMode();
    choice.speeds.select(1);
    link.openPortIfClosed();
    choice.speeds.select(0);
    EXPECT_EQ(link.SendPacket(ProtocolMode::Mode2), 1036);
    link.closePortIfOpen();
    EXPECT_EQ(port.settingsWritten, std::vector<std::string>{"9600,n,8,1"});
    ASSERT_EQ(received().size(), 1u);
    EXPECT_EQ(received()[0].lineSpeed, 9600);
    expectIdle();
}

}  // namespace
}  // namespace rkt5
