// The flash operations and the button sequences end to end: real QSerialPort I/O over a
// pseudo-terminal against the simulated transceiver, whose flash is compared with the image.
#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>


#include <gtest/gtest.h>

#include "firmware/FirmwareLines.h"
#include "flash/FlashOperations.h"
#include "flash/FrameOperations.h"
#include "flash/PortCommand.h"
#include "flash/Sequences.h"
#include "image/StartupImage.h"
#include "link/ChosenLine.h"
#include "link/FailureReason.h"
#include "serial/PortNames.h"
#include "serial/QtSerialPort.h"
#include "sim/PtyTransceiver.h"
#include "tests/flash/RecordingPanel.h"

namespace rkt5 {
namespace {

using namespace std::chrono_literals;
using sim::Fault;
using sim::MessageKind;

constexpr std::size_t kTopBlockOffset = 0xFF000 - 0xC0000;
constexpr std::size_t kImageBytes = 0x40000;

std::vector<std::uint8_t> imageBytes(const FlashImage& image) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kImageBytes);
    for (int row = FlashImage::kFirstRow; row <= FlashImage::kLastRow; ++row) {
        for (int column = 0; column < FlashImage::kColumns; ++column) {
            bytes.push_back(static_cast<std::uint8_t>(image.cell(row, column)));
        }
    }
    return bytes;
}

const FlashImage& builtInImage() {
    static const std::unique_ptr<FlashImage> image = [] {
        auto built = std::make_unique<FlashImage>();
        auto table = std::make_unique<FirmwareTable>();
        buildStartupImage(*built, *table);
        return built;
    }();
    return *image;
}

class FlashOverPty : public testing::Test {
  protected:
    // Short enough to keep time-outs cheap, long enough for an unpaced answer on a loaded machine.
    static constexpr std::chrono::milliseconds kReplyTime{500};

    void start(sim::SimulatorOptions options = {}) {
        options.pace = false;
        transceiver = std::make_unique<sim::PtyTransceiver>(std::move(options));
        choice.chosenPort = PortNames::bound(1, transceiver->portPath());
        link.Timer1.setInterval(kReplyTime);
    }
    void startWith(std::vector<Fault> faults) { start({.faults = std::move(faults)}); }
    // Puts the transceiver into flash mode for a step run on its own, then forgets the messages.
    void connect(ProtocolMode mode) {
        ASSERT_EQ(link.ConnectRadio(mode).status,
                  mode == ProtocolMode::Mode2 ? Reply::CT : Reply::OK);
        transceiver->clearLog();
    }

    std::vector<sim::ReceivedMessage> received(MessageKind kind) const {
        std::vector<sim::ReceivedMessage> found;
        for (auto& message : transceiver->receivedMessages()) {
            if (message.kind == kind) {
                found.push_back(message);
            }
        }
        return found;
    }
    std::vector<MessageKind> kinds() const {
        std::vector<MessageKind> found;
        for (const auto& message : transceiver->receivedMessages()) {
            found.push_back(message.kind);
        }
        return found;
    }
    // The flash the update may write, without the top block.
    std::vector<std::uint8_t> writableFlash() const {
        auto flash = transceiver->flashMemory();
        flash.resize(kTopBlockOffset);
        return flash;
    }
    void expectPortClosed() const { EXPECT_FALSE(port.portOpen()); }

    std::unique_ptr<sim::PtyTransceiver> transceiver;
    QtSerialPort port;
    ChosenLine choice;
    RadioLink link{port, choice};
    FlashImage image;
    test::RecordingPanel panel;
    FlashContext context{link, image, panel};
    FlashContext builtIn{link, builtInImage(), panel};
};

// --- The whole update -------------------------------------------------------------------------

TEST_F(FlashOverPty, StartWritesTheBuiltInImageAndLeavesTheTopBlockAlone) {
    // A transceiver with old firmware everywhere: nothing can be programmed before the erase.
    start({.initialFlash = std::vector<std::uint8_t>(kImageBytes, 0x00)});
    const Outcome outcome = startSequence(builtIn);
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_EQ(outcome.message, Message::ok("Completed."));

    auto expected = imageBytes(builtInImage());
    expected.resize(kTopBlockOffset);
    EXPECT_TRUE(writableFlash() == expected) << "the flash differs from the image";
    const auto flash = transceiver->flashMemory();
    EXPECT_TRUE(std::all_of(flash.begin() + kTopBlockOffset, flash.end(), [](std::uint8_t b) {
        return b == 0x00;
    })) << "the top block was touched without the access word";

    const auto order = kinds();
    ASSERT_GE(order.size(), 4u);
    EXPECT_EQ(order[0], MessageKind::ModelCheck);
    EXPECT_EQ(order[1], MessageKind::ConnectMode2);
    EXPECT_EQ(order[2], MessageKind::EraseBlocks);
    EXPECT_EQ(order.back(), MessageKind::End);
    EXPECT_EQ(panel.addresses.back(), "FEC00");
    EXPECT_EQ(panel.progress.back(), 0xFEC0);
    expectPortClosed();
}

TEST_F(FlashOverPty, AccessWordWritesTheTopBlockToo) {
    start({.initialFlash = std::vector<std::uint8_t>(kImageBytes, 0x00)});
    panel.pinNumber = "LANTERN";
    EXPECT_EQ(macroSequence(builtIn, ProtocolMode::Mode2).message, Message::ok("Completed."));
    EXPECT_TRUE(transceiver->flashMemory() == imageBytes(builtInImage()));
    const auto programs = received(MessageKind::Program);
    ASSERT_FALSE(programs.empty());
    const auto& last = programs.back().bytes;
    EXPECT_EQ((std::array<std::uint8_t, 3>{last[4], last[5], last[6]}),
              (std::array<std::uint8_t, 3>{0x0F, 0xFC, 0x00}));
    EXPECT_EQ(panel.addresses.back(), "FFC00");
}

TEST_F(FlashOverPty, ModeZeroMacroWritesEveryFlaggedRowOfTheBuiltInImage) {
    start({.initialFlash = std::vector<std::uint8_t>(kImageBytes, 0x00)});
    const auto outcome = macroSequence(builtIn, ProtocolMode::Mode0);
    EXPECT_EQ(outcome.message, Message::ok("FLASH Memory writing completed."));
    auto expected = imageBytes(builtInImage());
    expected.resize(kTopBlockOffset);
    EXPECT_TRUE(writableFlash() == expected) << "the flash differs from the image";
    EXPECT_EQ(panel.addresses.back(), "FEFF0");
    expectPortClosed();
}

TEST_F(FlashOverPty, ModeOneMacroSendsEveryFrameBehindItsPrefix) {
    start();
    image.storeByte(0xC000, 0, 0x01);
    image.storeByte(0xD123, 7, 0x7F);
    image.storeByte(0xFEFF, 15, 0x00);
    image.storeByte(0xFF00, 0, 0x00);  // above what these modes write
    EXPECT_EQ(macroSequence(context, ProtocolMode::Mode1).message,
              Message::ok("FLASH Memory writing completed."));

    auto expected = imageBytes(image);
    expected.resize(kTopBlockOffset);
    EXPECT_TRUE(writableFlash() == expected);
    EXPECT_EQ(transceiver->flashMemory()[kTopBlockOffset], 0xFF);
    EXPECT_EQ(received(MessageKind::RowFrame).size(), 3u);
    for (const auto& message : transceiver->receivedMessages()) {
        if (message.kind != MessageKind::ConnectMode1) {
            ASSERT_EQ(message.bytes.size(), 23u);
            EXPECT_EQ(std::string(message.bytes.begin(), message.bytes.begin() + 3), "CL~");
        }
    }
}

// --- What the sequences refuse to send -------------------------------------------------------

TEST_F(FlashOverPty, ModelCheckFailuresSendNothingElse) {
    start({.regionOther = true});
    EXPECT_EQ(startSequence(builtIn).message, Message::ng("Region error"));
    EXPECT_EQ(kinds(), std::vector<MessageKind>{MessageKind::ModelCheck});

    transceiver->clearLog();
    transceiver.reset();
    startWith({{.kind = MessageKind::ModelCheck, .action = Fault::Action::Reply, .reply = "NG"}});
    EXPECT_EQ(startSequence(builtIn).message, Message::ng("Error"));
    EXPECT_EQ(kinds(), std::vector<MessageKind>{MessageKind::ModelCheck});
    expectPortClosed();
}

TEST_F(FlashOverPty, BlockRefusedTenTimesEndsTheWriteWithoutLeavingFlashMode) {
    startWith({{.kind = MessageKind::Program, .action = Fault::Action::Reply, .reply = "NG"}});
    const Outcome outcome = startSequence(builtIn);
    EXPECT_EQ(outcome.message, Message::ng("Write failed."));
    const auto programs = received(MessageKind::Program);
    ASSERT_EQ(programs.size(), 10u);
    for (const auto& program : programs) {
        EXPECT_EQ(program.bytes, programs.front().bytes) << "a later block was sent";
    }
    EXPECT_TRUE(received(MessageKind::End).empty());
    expectPortClosed();
}

TEST_F(FlashOverPty, BlockWhoseFirstSendTimesOutIsWrittenOnTheSecond) {
    startWith({{.kind = MessageKind::Program, .occurrence = 1, .action = Fault::Action::Silent},
               {.kind = MessageKind::Program, .occurrence = 3, .action = Fault::Action::Silent}});
    image.storeByte(0xC000, 0, 0x00);
    image.storeByte(0xC040, 0, 0x00);
    connect(ProtocolMode::Mode2);
    EXPECT_EQ(WriteFlash(context).status, StepStatus::Done);
    EXPECT_EQ(received(MessageKind::Program).size(), 4u);
}

TEST_F(FlashOverPty, OnlyTheFlaggedBlocksGoOutWhole) {
    start();
    image.storeByte(0xC03F, 15, 0x5A);
    image.setCell(0xC001, 0, 0x11);  // not flagged, but inside a flagged block
    connect(ProtocolMode::Mode2);
    EXPECT_EQ(WriteFlash(context).status, StepStatus::Done);
    const auto programs = received(MessageKind::Program);
    ASSERT_EQ(programs.size(), 1u);
    const auto& bytes = programs.front().bytes;
    EXPECT_EQ((std::array<std::uint8_t, 3>{bytes[4], bytes[5], bytes[6]}),
              (std::array<std::uint8_t, 3>{0x0C, 0x00, 0x00}));
    EXPECT_EQ(bytes[7 + 16], 0x11);
    EXPECT_EQ(bytes[7 + 1023], 0x5A);
    EXPECT_EQ(panel.addresses.size(), 252u);
}

TEST_F(FlashOverPty, LeaveFlashModeResendsUpToTenTimes) {
    std::vector<Fault> nineSilent;
    for (int k = 1; k <= 9; ++k) {
        nineSilent.push_back(
            {.kind = MessageKind::End, .occurrence = k, .action = Fault::Action::Silent});
    }
    startWith(nineSilent);
    connect(ProtocolMode::Mode2);
    EXPECT_EQ(LeaveFlashMode(context), (StepResult{StepStatus::Done, Reply::ED}));
    EXPECT_EQ(received(MessageKind::End).size(), 10u);

    transceiver.reset();
    startWith({{.kind = MessageKind::End, .action = Fault::Action::Silent}});
    connect(ProtocolMode::Mode2);
    EXPECT_EQ(LeaveFlashMode(context).status, StepStatus::NoAnswer);
    EXPECT_TRUE(transceiver->waitForMessages(10, 2s)) << "the last packet never arrived whole";
    EXPECT_EQ(received(MessageKind::End).size(), 10u);
    expectPortClosed();
}

TEST_F(FlashOverPty, OkToEraseOrLeaveIsNoSuccessInModeTwo) {
    startWith({{.kind = MessageKind::EraseBlocks, .action = Fault::Action::Reply, .reply = "OK"},
               {.kind = MessageKind::End, .action = Fault::Action::Reply, .reply = "OK"}});
    connect(ProtocolMode::Mode2);
    EXPECT_EQ(EraseFlash(context), (StepResult{StepStatus::Refused, Reply::OK}));
    EXPECT_EQ(stepButton(context, ProtocolMode::Mode2, Step::Erase).message,
              Message::ng("Erase failed."));
    EXPECT_EQ(LeaveFlashMode(context), (StepResult{StepStatus::Refused, Reply::OK}));
    EXPECT_EQ(stepButton(context, ProtocolMode::Mode2, Step::Disconnect).message,
              Message::ng("Disconnect failed."));
    EXPECT_EQ(received(MessageKind::EraseBlocks).size(), 2u) << "an answer is not resent";
}

TEST_F(FlashOverPty, EraseGivesUpAfterThreeSends) {
    startWith({{.kind = MessageKind::EraseBlocks, .action = Fault::Action::Reply, .reply = "NG"}});
    connect(ProtocolMode::Mode2);
    EXPECT_EQ(EraseFlash(context).status, StepStatus::NoAnswer);
    EXPECT_EQ(received(MessageKind::EraseBlocks).size(), 3u);
}

TEST_F(FlashOverPty, LostLineInTheMiddleOfAWriteEndsInWriteFailed) {
    startWith({{.kind = MessageKind::Program,
                .occurrence = 3,
                .action = Fault::Action::HangUp,
                .count = 300}});
    const Outcome outcome = macroSequence(builtIn, ProtocolMode::Mode2);
    EXPECT_EQ(outcome.message, Message::ng("Write failed."));
    EXPECT_TRUE(received(MessageKind::End).empty());
    expectPortClosed();
}

// --- Modes 0 and 1 ----------------------------------------------------------------------------

TEST_F(FlashOverPty, SendCommandSendsOnlyItsTwoCommands) {
    start();
    EXPECT_EQ(SendCommand(context, "erase", ProtocolMode::Mode0).status, StepStatus::Fault);
    EXPECT_TRUE(transceiver->receivedMessages().empty());
    expectPortClosed();

    connect(ProtocolMode::Mode0);
    EXPECT_EQ(SendCommand(context, "END", ProtocolMode::Mode0),
              (StepResult{StepStatus::Done, Reply::OK}));
    const auto ends = received(MessageKind::EndFrame);
    ASSERT_EQ(ends.size(), 1u);
    std::vector<std::uint8_t> expected(20, 0x00);
    expected[2] = 0x0D;
    expected[3] = 0x0A;
    EXPECT_EQ(ends.front().bytes, expected) << "a fresh frame carries zeros behind its head";
}

TEST_F(FlashOverPty, ReturnedRowThatDiffersIsAnsweredWithTheNgFrame) {
    startWith({{.kind = MessageKind::RowFrame,
                .occurrence = 1,
                .action = Fault::Action::CorruptReply,
                .count = 5}});
    image.storeByte(0xC100, 3, 0x33);
    connect(ProtocolMode::Mode0);
    EXPECT_EQ(SendCommand(context, "ERASE", ProtocolMode::Mode0).status, StepStatus::Done);
    transceiver->clearLog();
    EXPECT_EQ(WriteBlocks(context, ProtocolMode::Mode0).status, StepStatus::Done);
    EXPECT_EQ(kinds(), (std::vector<MessageKind>{MessageKind::RowFrame, MessageKind::NgFrame,
                                                 MessageKind::RowFrame, MessageKind::OkFrame}));
    EXPECT_EQ(transceiver->flashMemory()[0x1003], 0x33);
}

TEST_F(FlashOverPty, AnswersOtherThanOkToACommandAreFailuresForTheButtons) {
    startWith({{.kind = MessageKind::EraseFrame, .action = Fault::Action::Reply, .reply = "BE"}});
    connect(ProtocolMode::Mode1);
    EXPECT_EQ(SendCommand(context, "ERASE", ProtocolMode::Mode1),
              (StepResult{StepStatus::Refused, Reply::BE}));
    EXPECT_EQ(stepButton(context, ProtocolMode::Mode1, Step::Erase).message,
              Message::ng("Erase failed."));
}

// --- What each step makes of an answer --------------------------------------------------------

// An answer the step ends on that is not its own: another step's answer refuses it and the button
// says which one came, while "OK" to a block of the write is as good as "PG".
struct StepAnswerCase {
    const char* name;
    ProtocolMode mode;
    Step step;
    MessageKind answered;
    const char* reply;
    const char* failureReason;  // empty when the answer means the step is done
};

class StepAnswerTable : public FlashOverPty, public testing::WithParamInterface<StepAnswerCase> {};

TEST_P(StepAnswerTable, TheButtonSucceedsOrSaysWhatCame) {
    const StepAnswerCase& row = GetParam();
    startWith({{.kind = row.answered, .action = Fault::Action::Reply, .reply = row.reply}});
    image.storeByte(0xC000, 0, 0x00);  // one block for the write
    if (row.step != Step::Connect) {
        connect(row.mode);
    }
    const Outcome outcome = stepButton(context, row.mode, row.step);
    EXPECT_EQ(outcome.succeeded, std::string_view(row.failureReason).empty());
    EXPECT_EQ(outcome.reason, row.failureReason);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, StepAnswerTable,
    testing::Values(
        StepAnswerCase{"Mode2ConnectOk", ProtocolMode::Mode2, Step::Connect,
                       MessageKind::ConnectMode2, "OK", "the transceiver answered \"OK\""},
        StepAnswerCase{"Mode0ConnectCt", ProtocolMode::Mode0, Step::Connect,
                       MessageKind::ConnectMode0, "CT", "the transceiver answered \"CT\""},
        StepAnswerCase{"Mode2WriteOk", ProtocolMode::Mode2, Step::Write, MessageKind::Program, "OK",
                       ""},
        StepAnswerCase{"Mode1EraseBe", ProtocolMode::Mode1, Step::Erase, MessageKind::EraseFrame,
                       "BE", "the transceiver answered \"BE\""},
        StepAnswerCase{"Mode0DisconnectEd", ProtocolMode::Mode0, Step::Disconnect,
                       MessageKind::EndFrame, "ED", "the transceiver answered \"ED\""}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The pin command --------------------------------------------------------------------------

TEST_F(FlashOverPty, PinCommandDrivesAndReadsAPin) {
    start();
    panel.pinNumber = "12";
    panel.pinFunction = 1;
    EXPECT_EQ(portResultText(RunPortCommand(context).status), "OK");
    const auto commands = received(MessageKind::PortCommand);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(std::string(commands.front().bytes.begin(), commands.front().bytes.end()),
              "ZR~P121\r");

    panel.pinFunction = 3;
    EXPECT_EQ(portResultText(RunPortCommand(context).status), "H出力");
    expectPortClosed();
}

TEST_F(FlashOverPty, PinCommandWithoutAWholeAnswerShowsQuestionMarks) {
    startWith(
        {{.kind = MessageKind::PortCommand, .action = Fault::Action::PartialReply, .count = 5}});
    panel.pinNumber = "07";
    EXPECT_EQ(RunPortCommand(context).status, Reply::Other);
    EXPECT_EQ(portResultText(Reply::Other), "???");
    expectPortClosed();
}

}  // namespace
}  // namespace rkt5
