#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "sim/FaultText.h"

namespace rkt5::sim::test {
namespace {

using namespace std::chrono_literals;

const Bytes kOkFrameAnswer = frame({'O', 'K', 0x0D, 0x0A});
const Bytes kNgFrameAnswer = frame({'N', 'G', 0x0D, 0x0A});
const Bytes kEraseFrame = frame({0x01, 0x01, 0x0D, 0x0A});
const Bytes kEndFrame = frame({0x00, 0x00, 0x0D, 0x0A});
const Bytes kOkFrame = frame({'O', 'K', 0x0D, 0x0A});
const Bytes kNgFrame = frame({'N', 'G', 0x0D, 0x0A});

SimulatorOptions withFlash(std::uint8_t fill) {
    SimulatorOptions options;
    options.initialFlash = Bytes(wire::kFlashSize, fill);
    return options;
}

SimulatorOptions withFaults(std::initializer_list<std::string_view> faultTexts) {
    SimulatorOptions options;
    for (const auto text : faultTexts) {
        options.faults.push_back(parseFault(text));
    }
    return options;
}

std::uint8_t flashAt(const EngineHarness& h, std::uint32_t address) {
    return h.engine.flash().at(address);
}

// ---- Text commands ----------------------------------------------------------------------

struct TextCase {
    std::vector<std::string_view> before;  // commands sent first, answers ignored
    std::string_view command;
    std::string_view answer;
};

void PrintTo(const TextCase& c, std::ostream* os) {
    for (const auto before : c.before) {
        *os << ::testing::PrintToString(std::string(before)) << " ";
    }
    *os << ::testing::PrintToString(std::string(c.command));
}

class TextCommand : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextCommand, EchoesThenAnswers) {
    EngineHarness h;
    for (const auto before : GetParam().before) {
        h.send(before);
    }
    const Bytes out = h.send(GetParam().command);
    EXPECT_EQ(out, concat(bytesOf(GetParam().command), bytesOf(GetParam().answer)));
}

const std::string_view kFrameOk{"OK\r\n\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 20};

INSTANTIATE_TEST_SUITE_P(
    Answers, TextCommand,
    ::testing::Values(
        TextCase{{}, "ZR~RK-T5EG\r", "\r\nOK\r\n"}, TextCase{{}, "ZR~FLASH\r", "CT\r\n"},
        TextCase{{}, "ZR~E\r", kFrameOk}, TextCase{{}, "FL\r", kFrameOk},
        TextCase{{}, "ZR~RK-T5US\r", "NG\r\n"}, TextCase{{}, "zr~flash\r", "NG\r\n"},
        // Pins: drive, make input, read back.
        TextCase{{}, "ZR~P121\r", "\r\nOK\r\n"}, TextCase{{}, "ZR~P123\r", "\r\n02\r\n"},
        TextCase{{"ZR~P120\r"}, "ZR~P123\r", "\r\n00\r\n"},
        TextCase{{"ZR~P121\r"}, "ZR~P123\r", "\r\n01\r\n"},
        TextCase{{"ZR~P121\r", "ZR~P122\r"}, "ZR~P123\r", "\r\n03\r\n"},
        TextCase{{"ZR~P121\r"}, "ZR~P113\r", "\r\n02\r\n"}, TextCase{{}, "ZR~P321\r", "\r\nNG\r\n"},
        TextCase{{}, "ZR~P124\r", "\r\nNG\r\n"}, TextCase{{}, "ZR~P3\r", "\r\nNG\r\n"},
        TextCase{{}, "ZR~P1A1\r", "\r\nNG\r\n"},
        // Text commands are understood in flash mode and frame modes too, so an
        // updater can start over whatever it left behind.
        TextCase{{"ZR~FLASH\r"}, "ZR~RK-T5EG\r", "\r\nOK\r\n"},
        TextCase{{"ZR~E\r"}, "ZR~FLASH\r", "CT\r\n"}, TextCase{{"ZR~E\r"}, "FL\r", kFrameOk},
        TextCase{{"FL\r"}, "ZR~FLASH\r", "CT\r\n"}));

TEST(ProtocolEngine, OtherRegionAnswersRE) {
    SimulatorOptions options;
    options.regionOther = true;
    EngineHarness h(options);
    EXPECT_EQ(h.answerTo("ZR~RK-T5EG\r"), bytesOf("\r\nRE\r\n"));
}

TEST(ProtocolEngine, LogsEachMessageWithItsKindBytesAndSpeed) {
    EngineHarness h;
    h.send("ZR~FLASH\r");
    h.send(packet("ED"));
    h.send("FL\r");
    h.send(withPrefix(kEraseFrame));
    const auto& log = h.engine.log();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].kind, MessageKind::ConnectMode2);
    EXPECT_EQ(log[0].bytes, bytesOf("ZR~FLASH\r"));
    EXPECT_EQ(log[0].lineSpeed, 57600);
    EXPECT_EQ(log[1].kind, MessageKind::End);
    EXPECT_EQ(log[2].kind, MessageKind::ConnectMode1);
    EXPECT_EQ(log[3].kind, MessageKind::EraseFrame);
    EXPECT_EQ(log[3].bytes, withPrefix(kEraseFrame));
}

// ---- Mode 2 flash packets ----------------------------------------------------------------

TEST(FlashPackets, RefusedOutsideFlashMode) {
    EngineHarness h;
    EXPECT_EQ(h.answerTo(eraseAllPacket()), bytesOf("NG\r\n"));
    EXPECT_EQ(h.answerTo(packet("ED")), bytesOf("NG\r\n"));
}

TEST(FlashPackets, BadChecksumAndUnknownLettersAreRefused) {
    EngineHarness h(withFlash(0x00));
    h.send("ZR~FLASH\r");
    Bytes bad = eraseAllPacket();
    bad[wire::kPacketChecksumOffset] ^= 0x01;
    EXPECT_EQ(h.answerTo(bad), bytesOf("NG\r\n"));
    EXPECT_EQ(flashAt(h, 0xC0000), 0x00) << "a packet with a bad checksum erased";
    EXPECT_EQ(h.answerTo(packet("XX")), bytesOf("NG\r\n"));
    EXPECT_EQ(h.engine.log().back().kind, MessageKind::Unknown);
}

TEST(FlashPackets, EchoStreamsAsTheHalvesArrive) {
    EngineHarness h;
    h.send("ZR~FLASH\r");
    const Bytes p = packet("ED");
    const Bytes first(p.begin(), p.begin() + wire::kPacketFirstHalf);
    const Bytes second(p.begin() + wire::kPacketFirstHalf, p.end());
    EXPECT_EQ(h.send(first), first);
    EXPECT_EQ(h.send(second), concat(second, bytesOf("ED\r\n")));
}

TEST(FlashPackets, EraseThenProgramThenReadBack) {
    EngineHarness h(withFlash(0x00));
    h.send("ZR~FLASH\r");
    EXPECT_EQ(h.answerTo(eraseAllPacket()), bytesOf("BE\r\n"));
    EXPECT_EQ(flashAt(h, 0xC0000), 0xFF);
    EXPECT_EQ(flashAt(h, 0xFEFFF), 0xFF);
    EXPECT_EQ(flashAt(h, 0xFF000), 0x00) << "the top block was not listed";

    EXPECT_EQ(h.answerTo(programPacket(0xC0400, 0x5A)), bytesOf("PG\r\n"));
    EXPECT_EQ(flashAt(h, 0xC03FF), 0xFF);
    EXPECT_EQ(flashAt(h, 0xC0400), 0x5A);
    EXPECT_EQ(flashAt(h, 0xC07FF), 0x5A);
    EXPECT_EQ(flashAt(h, 0xC0800), 0xFF);
    // Programming only clears bits: 0x58 fits over 0x5A, 0xFF does not.
    EXPECT_EQ(h.answerTo(programPacket(0xC0400, 0x58)), bytesOf("PG\r\n"));
    EXPECT_EQ(h.answerTo(programPacket(0xC0400, 0xFF)), bytesOf("NG\r\n"));
    EXPECT_EQ(flashAt(h, 0xC0400), 0x58);
}

TEST(FlashPackets, ProgramWithoutEraseIsRefusedAndChangesNothing) {
    Bytes flash(wire::kFlashSize, 0xFF);
    flash[0x400 + 10] = 0x00;  // one programmed byte inside block 0xC0400
    SimulatorOptions options;
    options.initialFlash = flash;
    EngineHarness h(options);
    h.send("ZR~FLASH\r");
    EXPECT_EQ(h.answerTo(programPacket(0xC0400, 0x5A)), bytesOf("NG\r\n"));
    EXPECT_EQ(flashAt(h, 0xC0400), 0xFF) << "a refused block was partly programmed";
}

TEST(FlashPackets, ProgramAddressMustBeAnAlignedBlockInsideTheFlash) {
    EngineHarness h;
    h.send("ZR~FLASH\r");
    EXPECT_EQ(h.answerTo(programPacket(0xC0010, 0x00)), bytesOf("NG\r\n"));
    EXPECT_EQ(h.answerTo(programPacket(0xBFC00, 0x00)), bytesOf("NG\r\n"));
    EXPECT_EQ(h.answerTo(programPacket(0xFFC00, 0x00)), bytesOf("PG\r\n"));
    EXPECT_EQ(flashAt(h, 0xFFFFF), 0x00);
}

TEST(FlashPackets, EraseListedBlocksOnlyAndRefuseUnknownAddresses) {
    EngineHarness h(withFlash(0x00));
    h.send("ZR~FLASH\r");
    // 0xCFFFE then the top block: 0xC0000-0xCFFFF and 0xFF000-0xFFFFF.
    EXPECT_EQ(h.answerTo(packet("BE", {0, 0x0C, 0xFF, 0xFE, 0, 0x0F, 0xFF, 0xFE})),
              bytesOf("BE\r\n"));
    EXPECT_EQ(flashAt(h, 0xCFFFF), 0xFF);
    EXPECT_EQ(flashAt(h, 0xD0000), 0x00);
    EXPECT_EQ(flashAt(h, 0xFF000), 0xFF);
    // A list with one address that names no block erases nothing.
    EXPECT_EQ(h.answerTo(packet("BE", {0, 0x0E, 0xFF, 0xFE, 0, 0x0D, 0x00, 0x00})),
              bytesOf("NG\r\n"));
    EXPECT_EQ(flashAt(h, 0xE0000), 0x00);
}

TEST(FlashPackets, EndLeavesFlashMode) {
    EngineHarness h;
    h.send("ZR~FLASH\r");
    EXPECT_EQ(h.answerTo(packet("ED")), bytesOf("ED\r\n"));
    EXPECT_TRUE(h.last.flashModeLeft);
    EXPECT_EQ(h.answerTo(programPacket(0xC0000, 0x00)), bytesOf("NG\r\n"));
}

// ---- Mode 0 and 1 frames -----------------------------------------------------------------

TEST(Frames, EraseWritesRowsAndEndInMode0) {
    EngineHarness h(withFlash(0x00));
    h.send("ZR~E\r");
    EXPECT_EQ(h.answerTo(kEraseFrame), kOkFrameAnswer);
    EXPECT_EQ(flashAt(h, 0xC0000), 0xFF);
    EXPECT_EQ(flashAt(h, 0xFEFFF), 0xFF);
    EXPECT_EQ(flashAt(h, 0xFF000), 0x00) << "the frame erase reached the top block";

    // Row 0xC000 travels as C0 00; the row frame comes back unchanged for the comparison.
    const Bytes row = rowFrame(0xC000, 0x11);
    EXPECT_EQ(row[0], 0xC0);
    EXPECT_EQ(row[1], 0x00);
    EXPECT_EQ(h.answerTo(row), row);
    EXPECT_EQ(flashAt(h, 0xC0000), 0xFF) << "programmed before the OK frame";
    EXPECT_EQ(h.answerTo(kOkFrame), kOkFrameAnswer);
    EXPECT_EQ(flashAt(h, 0xC0000), 0x11);
    EXPECT_EQ(flashAt(h, 0xC000F), 0x11);
    EXPECT_EQ(flashAt(h, 0xC0010), 0xFF);

    h.send(rowFrame(0xFEFF, 0x22));
    h.send(kOkFrame);
    EXPECT_EQ(flashAt(h, 0xFEFF0), 0x22);
    EXPECT_EQ(flashAt(h, 0xFEFEF), 0xFF);

    EXPECT_EQ(h.answerTo(kEndFrame), kOkFrameAnswer);
    EXPECT_TRUE(h.last.flashModeLeft);
    EXPECT_EQ(h.engine.mode(), ProtocolEngine::Mode::Normal);
}

TEST(Frames, Mode1FramesCarryThePrefixAnswersDoNot) {
    EngineHarness h;
    h.send("FL\r");
    const Bytes erase = withPrefix(kEraseFrame);
    EXPECT_EQ(h.send(erase), concat(erase, kOkFrameAnswer));
    const Bytes row = rowFrame(0xD123, 0x33);
    EXPECT_EQ(h.send(withPrefix(row)), concat(withPrefix(row), row));
    h.send(withPrefix(kOkFrame));
    EXPECT_EQ(flashAt(h, 0xD1230), 0x33);
    EXPECT_EQ(h.engine.log().back().kind, MessageKind::OkFrame);
}

TEST(Frames, NgFrameDropsThePendingRow) {
    EngineHarness h;
    h.send("ZR~E\r");
    h.send(rowFrame(0xC000, 0x00));
    EXPECT_EQ(h.answerTo(kNgFrame), kOkFrameAnswer);
    EXPECT_EQ(h.answerTo(kOkFrame), kNgFrameAnswer) << "OK frame with no row pending";
    EXPECT_EQ(flashAt(h, 0xC0000), 0xFF);
}

TEST(Frames, RowOverProgrammedFlashIsRefused) {
    EngineHarness h(withFlash(0x00));
    h.send("ZR~E\r");
    h.send(rowFrame(0xC000, 0x5A));
    EXPECT_EQ(h.answerTo(kOkFrame), kNgFrameAnswer);
    EXPECT_EQ(flashAt(h, 0xC0000), 0x00);
}

// Any button may be pressed in any order, so a packet after a frame connect is still a packet.
TEST(Frames, AFlashPacketAfterAFrameConnectIsFramedAsAPacket) {
    for (const std::string_view connect : {"ZR~E\r", "FL\r"}) {
        EngineHarness h;
        h.send(connect);
        EXPECT_EQ(h.answerTo(packet("ED")), bytesOf("NG\r\n")) << connect;
        EXPECT_EQ(h.engine.log().back().kind, MessageKind::End) << connect;
        EXPECT_EQ(h.answerTo("ZR~FLASH\r"), bytesOf("CT\r\n")) << connect;
    }
}

// ---- Resynchronisation -------------------------------------------------------------------

TEST(Resync, ATextCommandAfterACutOffFrameIsUnderstood) {
    EngineHarness h;
    h.send("ZR~E\r");
    const Bytes row = rowFrame(0xC000, 0x11);
    h.send(Bytes(row.begin(), row.begin() + 9));
    h.advance(MessageFramer::kFrameIdleGap + 1ms);
    EXPECT_EQ(h.answerTo("ZR~FLASH\r"), bytesOf("CT\r\n"));
}

TEST(Resync, TheNextClientFindsNoPartialMessageOrPendingRow) {
    EngineHarness h;
    h.send("ZR~E\r");
    h.send(rowFrame(0xC000, 0x11));
    h.engine.clientClosed();
    EXPECT_EQ(h.engine.mode(), ProtocolEngine::Mode::Frame0) << "closing the port left the mode";
    EXPECT_EQ(h.answerTo(kOkFrame), kNgFrameAnswer) << "a row of the last client was written";
    h.send("ZR~RK");
    h.engine.clientClosed();
    EXPECT_EQ(h.answerTo("ZR~FLASH\r"), bytesOf("CT\r\n"));
}

TEST(Resync, PartialTextIsDroppedAfterAnIdleGap) {
    EngineHarness h;
    EXPECT_EQ(h.send("ZR~RK"), bytesOf("ZR~RK")) << "each byte is echoed as it arrives";
    h.advance(MessageFramer::kIdleGap + 1ms);
    EXPECT_EQ(h.answerTo("ZR~FLASH\r"), bytesOf("CT\r\n"));
    EXPECT_EQ(h.engine.log().front().kind, MessageKind::Unknown);
    EXPECT_EQ(h.engine.log().front().bytes, bytesOf("ZR~RK"));
}

TEST(Resync, WithoutAGapThePiecesAreOneMessage) {
    EngineHarness h;
    h.send("ZR~RK");
    h.advance(100ms);
    EXPECT_EQ(h.send("-T5EG\r"), bytesOf("-T5EG\r\r\nOK\r\n"));
}

TEST(Resync, HalfPacketWaitsForTheUpdatersTimeOut) {
    // A silent first half makes the updater send the second half after its 5 s time-out.
    EngineHarness h(withFaults({"ED:1:silent"}));
    h.send("ZR~FLASH\r");
    const Bytes p = packet("ED");
    EXPECT_TRUE(h.send(Bytes(p.begin(), p.begin() + 512)).empty());
    h.advance(5000ms);
    EXPECT_TRUE(h.send(Bytes(p.begin() + 512, p.end())).empty());
    EXPECT_EQ(h.answerTo(p), bytesOf("ED\r\n")) << "the resend was misaligned";
}

TEST(Resync, AbandonedPacketIsDroppedAndTheNextCommandUnderstood) {
    EngineHarness h;
    h.send("ZR~FLASH\r");
    const Bytes p = packet("ED");
    h.send(Bytes(p.begin(), p.begin() + 300));
    h.advance(MessageFramer::kIdleGap + 1ms);
    EXPECT_EQ(h.answerTo("ZR~RK-T5EG\r"), bytesOf("\r\nOK\r\n"));
}

TEST(Resync, TextCapLimitsBinaryNoise) {
    EngineHarness h;
    const Bytes noise(MessageFramer::kMaxTextLength, 'x');
    EXPECT_EQ(h.answerTo(noise), bytesOf("NG\r\n"));
    EXPECT_EQ(h.answerTo("ZR~FLASH\r"), bytesOf("CT\r\n"));
}

// ---- Faults ------------------------------------------------------------------------------

TEST(Faults, ReplyReplacesTheAnswerOfTheKthMessageOnlyAndIsNotCarriedOut) {
    EngineHarness h(withFaults({"PG:2:reply=NG"}));
    h.send("ZR~FLASH\r");
    EXPECT_EQ(h.answerTo(programPacket(0xC0000, 0x00)), bytesOf("PG\r\n"));
    EXPECT_EQ(h.answerTo(programPacket(0xC0400, 0x00)), bytesOf("NG\r\n"));
    EXPECT_EQ(flashAt(h, 0xC0400), 0xFF);
    EXPECT_EQ(h.answerTo(programPacket(0xC0400, 0x00)), bytesOf("PG\r\n"));
}

TEST(Faults, ReplyTakesTheShapeOfTheAnswerOrIsSentAsWritten) {
    EngineHarness h(
        withFaults({"model:1:reply=RE", "connect0:*:reply=NG", "connect2:1:reply=OK\\r"}));
    EXPECT_EQ(h.answerTo("ZR~RK-T5EG\r"), bytesOf("\r\nRE\r\n"));
    EXPECT_EQ(h.answerTo("ZR~E\r"), kNgFrameAnswer);
    EXPECT_EQ(h.answerTo("ZR~FLASH\r"), bytesOf("OK\r"));
}

TEST(Faults, EveryOccurrence) {
    EngineHarness h(withFaults({"model:*:reply=NG"}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(h.answerTo("ZR~RK-T5EG\r"), bytesOf("\r\nNG\r\n"));
    }
}

TEST(Faults, SilentSendsNothingAndDoesNothing) {
    EngineHarness h(withFaults({"connect2:1:silent"}));
    EXPECT_TRUE(h.send("ZR~FLASH\r").empty());
    EXPECT_EQ(h.answerTo(packet("ED")), bytesOf("NG\r\n")) << "entered flash mode";
    EXPECT_EQ(h.answerTo("ZR~FLASH\r"), bytesOf("CT\r\n"));
}

TEST(Faults, EchoFaults) {
    EngineHarness h(withFaults({"model:1:drop-echo=3", "model:2:corrupt-echo=1"}));
    EXPECT_EQ(h.send("ZR~RK-T5EG\r"), bytesOf("ZR~RK-T5\r\nOK\r\n"));
    Bytes corrupted = bytesOf("ZR~RK-T5EG\r\r\nOK\r\n");
    corrupted[1] = static_cast<std::uint8_t>(~'R');
    EXPECT_EQ(h.send("ZR~RK-T5EG\r"), corrupted);
}

TEST(Faults, CorruptEchoOfARowFrameAlsoSpoilsTheFrameSentBack) {
    EngineHarness h(withFaults({"row:1:corrupt-echo=2"}));
    h.send("FL\r");
    const Bytes row = rowFrame(0xC000, 0x44);
    const Bytes out = h.send(withPrefix(row));
    ASSERT_EQ(out.size(), 43u);
    EXPECT_EQ(out[5], static_cast<std::uint8_t>(~row[2])) << "echo byte 2 of the frame";
    EXPECT_EQ(out[23 + 2], static_cast<std::uint8_t>(~row[2])) << "frame sent back";
}

TEST(Faults, AnswerFaults) {
    EngineHarness h(
        withFaults({"connect2:1:partial=2", "connect2:2:corrupt-reply=1", "connect2:3:late=6000"}));
    EXPECT_EQ(h.answerTo("ZR~FLASH\r"), bytesOf("CT"));
    EXPECT_EQ(h.answerTo("ZR~FLASH\r"), (Bytes{'C', static_cast<std::uint8_t>(~'T'), 0x0D, 0x0A}));
    EXPECT_EQ(h.answerTo("ZR~FLASH\r"), bytesOf("CT\r\n"));
    ASSERT_EQ(h.last.pieces.size(), 2u);
    EXPECT_EQ(h.last.pieces[0].gapBefore, 0ms);
    EXPECT_EQ(h.last.pieces[1].gapBefore, 6000ms);
}

TEST(Faults, ProgramTimeDelaysTheProgramAnswer) {
    SimulatorOptions options;
    options.programTime = 30ms;
    EngineHarness h(options);
    h.send("ZR~FLASH\r");
    h.send(programPacket(0xC0000, 0x00));
    ASSERT_EQ(h.last.pieces.size(), 2u);
    EXPECT_EQ(h.last.pieces[1].gapBefore, 30ms);
}

TEST(Faults, HangUpCutsTheMessageAndTheNextOneIsUnderstood) {
    EngineHarness h(withFaults({"PG:1:hangup=300"}));
    h.send("ZR~FLASH\r");
    const Bytes p = programPacket(0xC0000, 0x00);
    h.send(Bytes(p.begin(), p.begin() + 512));
    EXPECT_TRUE(h.last.hangUp);
    EXPECT_TRUE(h.last.pieces.empty());
    EXPECT_EQ(h.engine.log().back().bytes.size(), 300u);
    EXPECT_EQ(h.answerTo(p), bytesOf("PG\r\n")) << "flash mode lost or message misaligned";
}

TEST(Faults, RandomFaultsRepeatWithTheSeed) {
    auto run = [](std::uint32_t seed) {
        SimulatorOptions options;
        options.randomFaultRate = 0.5;
        options.seed = seed;
        EngineHarness h(options);
        Bytes all;
        for (int i = 0; i < 40; ++i) {
            all = concat(all, h.send("ZR~RK-T5EG\r"));
        }
        return all;
    };
    const Bytes clean = [] {
        EngineHarness h;
        Bytes all;
        for (int i = 0; i < 40; ++i) {
            all = concat(all, h.send("ZR~RK-T5EG\r"));
        }
        return all;
    }();
    EXPECT_EQ(run(7), run(7));
    EXPECT_NE(run(7), run(8));
    EXPECT_NE(run(7), clean);
}

}  // namespace
}  // namespace rkt5::sim::test
