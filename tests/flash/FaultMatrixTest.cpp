// Every single fault the simulated transceiver can put on one message, at every step that resends,
// against a line paced like the real one: one fault costs exactly its resends and the update still
// ends written; the same fault on every send ends in the step's failure message and goes no
// further.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "flash/Sequences.h"
#include "link/MenuLineChoice.h"
#include "link/QtSerialPort.h"
#include "sim/PtyTransceiver.h"
#include "tests/flash/RecordingPanel.h"

namespace rkt5 {
namespace {

using namespace std::chrono_literals;
using sim::Fault;
using sim::MessageKind;

// The reply time-out of each mode: a flash packet and its answer take 180 ms at 57600 bit/s, a
// frame 10 ms at 38400. A late answer comes after the time-out and, held up behind it, the resend's
// own answer still comes within the resend's.
struct Timing {
    std::chrono::milliseconds replyTime;
    std::chrono::milliseconds lateBy;
};
constexpr Timing kPacketTiming{700ms, 700ms};
constexpr Timing kFrameTiming{250ms, 350ms};

enum class FaultKind {
    AnswerLost,
    AnswerCutShort,
    AnswerGarbled,
    AnswerLate,
    EchoByteLost,
    EchoByteGarbled,
    AnsweredNg
};

constexpr FaultKind kFaultKinds[] = {FaultKind::AnswerLost,    FaultKind::AnswerCutShort,
                                     FaultKind::AnswerGarbled, FaultKind::AnswerLate,
                                     FaultKind::EchoByteLost,  FaultKind::EchoByteGarbled,
                                     FaultKind::AnsweredNg};

std::string nameOf(FaultKind kind) {
    constexpr const char* kNames[] = {"AnswerLost", "AnswerCutShort", "AnswerGarbled",
                                      "AnswerLate", "EchoByteLost",   "EchoByteGarbled",
                                      "AnsweredNg"};
    return kNames[static_cast<int>(kind)];
}

Fault makeFault(FaultKind kind, MessageKind message, int occurrence, const Timing& timing) {
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
            fault.delay = timing.lateBy;
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
    int mode;
    MessageKind kind;
    int occurrence;
    const char* failureText;
    // Also with the fault on every send. On every send a fault hits the first message of its
    // kind already, so the later blocks add nothing, and mode 1 differs from mode 0 only by the
    // prefix of its frames.
    bool everySendToo;
};

constexpr Position kPositions[] = {
    {"Erase", 2, MessageKind::EraseBlocks, 1, "Erase failed.", true},
    {"FirstBlock", 2, MessageKind::Program, 1, "Write failed.", true},
    {"MiddleBlock", 2, MessageKind::Program, 2, "Write failed.", false},
    {"LastBlock", 2, MessageKind::Program, 3, "Write failed.", false},
    {"Mode0Erase", 0, MessageKind::EraseFrame, 1, "Erase failed.", true},
    {"Mode0Row", 0, MessageKind::RowFrame, 2, "Write failed.", true},
    {"Mode0OkFrame", 0, MessageKind::OkFrame, 2, "Write failed.", true},
    {"Mode0End", 0, MessageKind::EndFrame, 1, "Disconnect failed.", true},
    {"Mode1Erase", 1, MessageKind::EraseFrame, 1, "Erase failed.", false},
    {"Mode1Row", 1, MessageKind::RowFrame, 2, "Write failed.", false},
    {"Mode1OkFrame", 1, MessageKind::OkFrame, 2, "Write failed.", false},
    {"Mode1End", 1, MessageKind::EndFrame, 1, "Disconnect failed.", false},
};

// Messages of a whole update of the test image without faults: connect, erase, end, and one
// packet per block (mode 2) or a row frame and an OK frame per row (modes 0 and 1).
constexpr std::size_t kDataPlaces = 3;
std::size_t cleanMessageCount(int mode) {
    return 3 + (mode == 2 ? kDataPlaces : 2 * kDataPlaces);
}

// What one fault costs: the message sent again; a row's try starts with its row frame, and a
// returned row that differs is answered with an NG frame first.
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
    const Timing& timing = position.mode == 2 ? kPacketTiming : kFrameTiming;
    sim::PtyTransceiver transceiver(
        {.faults = {makeFault(cell.fault, position.kind, cell.everySend ? 0 : position.occurrence,
                              timing)}});
    QtSerialPort port;
    port.names().bind(1, transceiver.portPath());
    MenuLineChoice choice;
    choice.speeds.select(position.mode == 2 ? 2 : 1);
    RadioLink link(port, choice);
    link.Timer1.setInterval(timing.replyTime);
    const FlashImage image = testImage();
    test::RecordingPanel panel;
    FlashContext context{link, image, panel};

    const Outcome outcome = *macroSequence(context, position.mode);

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
    const auto flash = transceiver.flashMemory();
    for (std::size_t offset = 0; offset < wire::kTopBlockStart - wire::kFlashBase; ++offset) {
        ASSERT_EQ(flash[offset], image.cells()[offset] & 0xFF) << "at offset " << offset;
    }
}

std::vector<Cell> cells() {
    std::vector<Cell> all;
    for (const Position& position : kPositions) {
        for (const FaultKind fault : kFaultKinds) {
            all.push_back({position, fault, false});
            if (position.everySendToo) {
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
