// Every single fault the simulated transceiver can put on one message, at every step that resends,
// against a line paced like the real one: one fault costs exactly its resends and the update still
// ends written; the same fault on every send ends in the step's failure message and goes no
// further. A late answer goes out on the line when the transceiver has it ready, so it can land
// inside the echo of the resend that replaced it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "flash/Sequences.h"
#include "link/ChosenLine.h"
#include "serial/PortNames.h"
#include "serial/QtSerialPort.h"
#include "sim/PtyTransceiver.h"
#include "tests/flash/RecordingPanel.h"
#include "tests/support/TempDir.h"

namespace rkt5 {
namespace {

using namespace std::chrono_literals;
using sim::Fault;
using sim::MessageKind;

// The reply time-out of each mode: a flash packet and its answer take 180 ms at 57600 bit/s, a
// frame 10 ms at 38400.
constexpr std::chrono::milliseconds kPacketReplyTime = 700ms;
constexpr std::chrono::milliseconds kFrameReplyTime = 250ms;

// How late a late answer comes. A packet's echo ends 180 ms after it went out and the resend
// starts at the time-out, 700 ms, its first half echoed within 90 ms and its second within the
// next 90: these land the answer in the middle of either half. A frame's late answer comes only
// once the update (or ten tries of the step) is over: with frames 10 ms apart it would land in
// one of them by chance.
constexpr std::chrono::milliseconds kLateIntoFirstHalf = 565ms;
constexpr std::chrono::milliseconds kLateIntoSecondHalf = 655ms;
constexpr std::chrono::milliseconds kFrameLate = 3s;

enum class FaultKind {
    AnswerLost,
    AnswerCutShort,
    AnswerGarbled,
    AnswerLate,
    AnswerLateIntoFirstHalf,
    AnswerLateIntoSecondHalf,
    EchoByteLost,
    EchoByteGarbled,
    AnsweredNg
};

constexpr FaultKind kFaultKinds[] = {FaultKind::AnswerLost,
                                     FaultKind::AnswerCutShort,
                                     FaultKind::AnswerGarbled,
                                     FaultKind::AnswerLate,
                                     FaultKind::AnswerLateIntoFirstHalf,
                                     FaultKind::AnswerLateIntoSecondHalf,
                                     FaultKind::EchoByteLost,
                                     FaultKind::EchoByteGarbled,
                                     FaultKind::AnsweredNg};

std::string nameOf(FaultKind kind) {
    constexpr const char* kNames[] = {
        "AnswerLost",   "AnswerCutShort",          "AnswerGarbled",
        "AnswerLate",   "AnswerLateIntoFirstHalf", "AnswerLateIntoSecondHalf",
        "EchoByteLost", "EchoByteGarbled",         "AnsweredNg"};
    return kNames[static_cast<int>(kind)];
}

bool aimedIntoTheResend(FaultKind kind) {
    return kind == FaultKind::AnswerLateIntoFirstHalf ||
           kind == FaultKind::AnswerLateIntoSecondHalf;
}

// Frames have no halves, and a packet's late answer is aimed at one of its resend's halves.
bool appliesTo(FaultKind kind, ProtocolMode mode) {
    return aimedIntoTheResend(kind) ? mode == ProtocolMode::Mode2
                                    : kind != FaultKind::AnswerLate || mode != ProtocolMode::Mode2;
}

Fault makeFault(FaultKind kind, MessageKind message, int occurrence) {
    Fault fault{.kind = message, .occurrence = occurrence};
    switch (kind) {
        case FaultKind::AnswerLost:
            fault.action = Fault::Action::PartialReply;
            fault.count = 0;
            break;
        case FaultKind::AnswerCutShort:
            fault.action = Fault::Action::PartialReply;
            fault.count = 2;
            break;
        case FaultKind::AnswerGarbled:
            fault.action = Fault::Action::CorruptReply;
            break;
        case FaultKind::AnswerLate:
            fault.action = Fault::Action::Late;
            fault.delay = kFrameLate;
            break;
        case FaultKind::AnswerLateIntoFirstHalf:
            fault.action = Fault::Action::Late;
            fault.delay = kLateIntoFirstHalf;
            break;
        case FaultKind::AnswerLateIntoSecondHalf:
            fault.action = Fault::Action::Late;
            fault.delay = kLateIntoSecondHalf;
            break;
        case FaultKind::EchoByteLost:
            fault.action = Fault::Action::DropEcho;
            fault.count = 1;
            break;
        case FaultKind::EchoByteGarbled:
            fault.action = Fault::Action::CorruptEcho;
            break;
        case FaultKind::AnsweredNg:
            fault.action = Fault::Action::Reply;
            fault.reply = "NG";
            break;
    }
    return fault;
}

// A message of an update that a fault can hit, and what one such fault costs.
struct Position {
    const char* name;
    ProtocolMode mode;
    MessageKind kind;
    int occurrence;
    const char* failureText;
    // Also with the fault on every send. On every send a fault hits the first message of its
    // kind already, so the later blocks add nothing, and mode 1 differs from mode 0 only by the
    // prefix of its frames.
    bool everySendToo;
};

constexpr Position kPositions[] = {
    {"Erase", ProtocolMode::Mode2, MessageKind::EraseBlocks, 1, "Erase failed.", true},
    {"FirstBlock", ProtocolMode::Mode2, MessageKind::Program, 1, "Write failed.", true},
    {"MiddleBlock", ProtocolMode::Mode2, MessageKind::Program, 2, "Write failed.", false},
    {"LastBlock", ProtocolMode::Mode2, MessageKind::Program, 3, "Write failed.", false},
    {"Mode0Erase", ProtocolMode::Mode0, MessageKind::EraseFrame, 1, "Erase failed.", true},
    {"Mode0Row", ProtocolMode::Mode0, MessageKind::RowFrame, 2, "Write failed.", true},
    {"Mode0OkFrame", ProtocolMode::Mode0, MessageKind::OkFrame, 2, "Write failed.", true},
    {"Mode0End", ProtocolMode::Mode0, MessageKind::EndFrame, 1, "Disconnect failed.", true},
    {"Mode1Erase", ProtocolMode::Mode1, MessageKind::EraseFrame, 1, "Erase failed.", false},
    {"Mode1Row", ProtocolMode::Mode1, MessageKind::RowFrame, 2, "Write failed.", false},
    {"Mode1OkFrame", ProtocolMode::Mode1, MessageKind::OkFrame, 2, "Write failed.", false},
    {"Mode1End", ProtocolMode::Mode1, MessageKind::EndFrame, 1, "Disconnect failed.", false},
};

// Messages of a whole update of the test image without faults: connect, erase, end, and one
// packet per block (mode 2) or a row frame and an OK frame per row (modes 0 and 1).
constexpr std::size_t kDataPlaces = 3;
std::size_t cleanMessageCount(ProtocolMode mode) {
    return 3 + (sendsFrames(mode) ? 2 * kDataPlaces : kDataPlaces);
}

// What one fault costs: the message sent again; a row's try starts with its row frame, and a
// returned row that differs is answered with an NG frame first. A late answer that lands in the
// resend's echo is dropped there and costs nothing more.
std::size_t extraSends(const Position& position, FaultKind fault) {
    if (position.kind == MessageKind::OkFrame) {
        return 2;
    }
    if (position.kind == MessageKind::RowFrame &&
        (fault == FaultKind::AnswerGarbled || fault == FaultKind::AnsweredNg)) {
        return 2;
    }
    return 1;
}

// Once the transceiver has carried out "END" it has left flash mode and answers no second one,
// as with "ED": only a refused "END" can be sent again with success.
bool endCarriedOut(const Position& position, FaultKind fault) {
    return position.kind == MessageKind::EndFrame && fault != FaultKind::AnsweredNg;
}

FlashImage testImage() {
    FlashImage image;
    // The first block, one in the middle and the last below the top block; for modes 0 and 1 the
    // first row of each.
    for (const int row : {0xC000, 0xE000, 0xFEC0}) {
        for (int column = 0; column < FlashImage::kColumns; ++column) {
            image.storeByte(row, column, (row / 64 + column * 7) & 0x7F);
        }
    }
    return image;
}

struct Cell {
    Position position;
    FaultKind fault;
    bool everySend;
};

std::ostream& operator<<(std::ostream& out, const Cell& cell) {
    return out << cell.position.name << "_" << nameOf(cell.fault)
               << (cell.everySend ? "_EverySend" : "_Once");
}

class FaultMatrix : public testing::TestWithParam<Cell> {};

TEST_P(FaultMatrix, OneFaultCostsItsResendsAndAFaultOnEverySendStopsTheStep) {
    const Cell& cell = GetParam();
    const Position& position = cell.position;
    sim::PtyTransceiver transceiver(
        {.faults = {
             makeFault(cell.fault, position.kind, cell.everySend ? 0 : position.occurrence)}});
    QtSerialPort port;
    ChosenLine choice;
    choice.chosenPort = PortNames::bound(1, transceiver.portPath());
    choice.speeds.select(sendsFrames(position.mode) ? 1 : 2);
    RadioLink link(port, choice);
    link.Timer1.setInterval(sendsFrames(position.mode) ? kFrameReplyTime : kPacketReplyTime);
    const FlashImage image = testImage();
    test::RecordingPanel panel;
    FlashContext context{link, image, panel};
    const test::TempDir dir;
    ASSERT_TRUE(link.log().open(dir.file("log"), "matrix", {}));

    const Outcome outcome = macroSequence(context, position.mode);

    EXPECT_FALSE(port.portOpen());
    EXPECT_FALSE(link.Timer1.armed());
    const auto log = transceiver.receivedMessages();
    if (cell.everySend || endCarriedOut(position, cell.fault)) {
        EXPECT_EQ(outcome.message, Message::ng(position.failureText));
        EXPECT_FALSE(outcome.reason.empty());
        // Nothing after the failing step: its messages are the last the transceiver got.
        const auto lastOfStep =
            std::find_if(log.rbegin(), log.rend(),
                         [&](const sim::ReceivedMessage& m) { return m.kind == position.kind; });
        ASSERT_NE(lastOfStep, log.rend());
        for (auto later = log.rbegin(); later != lastOfStep; ++later) {
            EXPECT_TRUE(later->kind == MessageKind::Unknown ||
                        later->kind == MessageKind::RowFrame ||
                        later->kind == MessageKind::OkFrame || later->kind == MessageKind::NgFrame)
                << "a later step was sent";
        }
        if (cell.everySend) {
            return;
        }
    } else {
        EXPECT_TRUE(outcome.succeeded) << outcome.message.text << ": " << outcome.reason;
        const std::size_t sent = std::count_if(
            log.begin(), log.end(), [](const auto& m) { return m.kind != MessageKind::Unknown; });
        EXPECT_EQ(sent, cleanMessageCount(position.mode) + extraSends(position, cell.fault));
    }
    if (aimedIntoTheResend(cell.fault)) {
        EXPECT_NE(
            test::readBytes(dir.file("log")).find("1036 of 1036 bytes, 4 earlier bytes dropped"),
            std::string::npos)
            << "the late answer missed the resend's echo";
    }
    const auto flash = transceiver.flashMemory();
    for (std::size_t offset = 0; offset < wire::kTopBlockStart - wire::kFlashBase; ++offset) {
        ASSERT_EQ(flash[offset], image.cells()[offset] & 0xFF) << "at offset " << offset;
    }
}

std::vector<Cell> cells() {
    std::vector<Cell> all;
    for (const Position& position : kPositions) {
        for (const FaultKind fault : kFaultKinds) {
            if (!appliesTo(fault, position.mode)) {
                continue;
            }
            all.push_back({position, fault, false});
            // A late answer on every send may come in where a later try's own is awaited.
            if (position.everySendToo && !aimedIntoTheResend(fault)) {
                all.push_back({position, fault, true});
            }
        }
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(Cells, FaultMatrix, testing::ValuesIn(cells()), [](const auto& info) {
    std::ostringstream name;
    name << info.param;
    return name.str();
});

}  // namespace
}  // namespace rkt5
