// Lining up what comes back on the echo of what was written: leftovers of earlier tries before
// the echo are dropped, and only an exact echo counts.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "link/EchoAlignedBuffer.h"

namespace rkt5 {
namespace {

std::vector<std::uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

std::string text(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

struct Arrival {
    std::string_view name;
    std::string_view written;
    std::vector<std::string_view> pieces;  // as the port hands them over
    std::string_view held;                 // from the echo on
    std::size_t dropped;
};

std::ostream& operator<<(std::ostream& out, const Arrival& a) {
    return out << a.name;
}

class EchoAlignment : public testing::TestWithParam<Arrival> {};

TEST_P(EchoAlignment, KeepsTheEchoAndWhatFollowsIt) {
    EchoAlignedBuffer buffer;
    buffer.start(bytes(GetParam().written));
    for (const std::string_view piece : GetParam().pieces) {
        buffer.append(bytes(piece));
    }
    EXPECT_EQ(buffer.count(), static_cast<int>(GetParam().held.size()));
    EXPECT_EQ(buffer.dropped(), GetParam().dropped);
    EXPECT_EQ(text(buffer.take()), GetParam().held);
    EXPECT_FALSE(buffer.echoBroken());
}

INSTANTIATE_TEST_SUITE_P(
    Arrivals, EchoAlignment,
    testing::Values(
        Arrival{"NothingLeftOver", "ZR~FLASH\r", {"ZR~FL", "ASH\rCT\r\n"}, "ZR~FLASH\rCT\r\n", 0},
        Arrival{"LateAnswerOfTheLastTry", "BE..", {"BE\r\nBE", "..BE\r\n"}, "BE..BE\r\n", 4},
        Arrival{"LeftoverThatStartsLikeTheEcho", "ABCD", {"ABxAB", "CDok"}, "ABCDok", 3},
        Arrival{"LeftoverLongerThanOnePiece", "PG", {"x", "y", "z", "PGok"}, "PGok", 3},
        // A resend of the same bytes: its earlier echo is as good as its own.
        Arrival{"EarlierCopyOfTheSameBytes", "ROW", {"ROWROWok"}, "ROWROWok", 0},
        Arrival{"GarbledEchoIsNoEcho", "ABCD", {"ABXDok"}, "", 6},
        // An earlier answer the transceiver had ready while it echoed: short, status or frame.
        Arrival{"ShortAnswerInsideTheEcho", "ABCDEF", {"ABC", "PG\r", "\nDEFok"}, "ABCDEFok", 4},
        Arrival{"StatusAnswerInsideTheEcho", "ABCDEF", {"A\r\nOK\r\nBCDEFok"}, "ABCDEFok", 6},
        Arrival{"FrameAnswerInsideTheEcho",
                "ABCDEFGH",
                {"ABCDE", "OK\r\n0123456789abcdef", "FGHok"},
                "ABCDEFGHok",
                20},
        // Only a whole answer behind which the echo goes on where it stopped.
        Arrival{
            "AnswerShapedGarble", "ABCDEFGH", {"ABCPG\r\nxFGHok", "0123456789abcdefgh"}, "", 31},
        Arrival{"EchoStillComing", "ABCD", {"xyAB"}, "AB", 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EchoAlignedBuffer, TheSecondHalfFollowsTheFirstAndMustMatchToo) {
    EchoAlignedBuffer buffer;
    buffer.start(bytes("AB"));
    buffer.append(bytes("xAB"));
    EXPECT_EQ(text(buffer.take()), "AB");
    buffer.extend(bytes("CD"));
    buffer.append(bytes("CDok"));
    EXPECT_EQ(text(buffer.take()), "CDok");
    EXPECT_FALSE(buffer.echoBroken());

    // Once part of the echo is taken, a wrong byte behind it cannot be put right.
    buffer.start(bytes("ABCD"));
    buffer.append(bytes("AB"));
    buffer.take();
    buffer.append(bytes("XDok"));
    EXPECT_TRUE(buffer.echoBroken());
    EXPECT_EQ(buffer.count(), 0);
    // The try goes on all the same: what still comes is counted until it is over.
    buffer.append(bytes("!"));
    EXPECT_EQ(buffer.arrived(), 7u);

    // A new exchange starts afresh.
    buffer.start(bytes("E"));
    buffer.append(bytes("Eok"));
    EXPECT_FALSE(buffer.echoBroken());
    EXPECT_EQ(text(buffer.take()), "Eok");
}

}  // namespace
}  // namespace rkt5
