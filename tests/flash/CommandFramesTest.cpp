#include "flash/CommandFrames.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "flash/AddressText.h"

namespace rkt5 {
namespace {

TEST(CommandFramesTest, RowFrameCarriesTheRowNumberMostSignificantByteFirst) {
    FlashImage image;
    for (int column = 0; column < 16; ++column) {
        image.storeByte(0xFEFF, column, column * 3);
    }
    CommandFrameBytes frame{};
    frame.fill(0x55);
    BuildRowFrame(frame, image, 0xFEFF);
    EXPECT_EQ(frame[0], 0xFE);
    EXPECT_EQ(frame[1], 0xFF);
    for (int column = 0; column < 16; ++column) {
        EXPECT_EQ(frame[2 + column], column * 3);
    }
    EXPECT_EQ(frame[18], 0x00);
    EXPECT_EQ(frame[19], 0x00);

    BuildRowFrame(frame, image, 0xC000);
    EXPECT_EQ(frame[0], 0xC0);
    EXPECT_EQ(frame[1], 0x00);
}

TEST(CommandFramesTest, CommandAndConfirmationFramesKeepTheRowBehindTheirHead) {
    FlashImage image;
    image.storeByte(0xC123, 2, 0x42);
    CommandFrameBytes frame{};
    BuildRowFrame(frame, image, 0xC123);

    BuildOkFrame(frame);
    EXPECT_EQ((std::array<std::uint8_t, 5>{frame[0], frame[1], frame[2], frame[3], frame[4]}),
              (std::array<std::uint8_t, 5>{'O', 'K', 0x0D, 0x0A, 0x42}));
    BuildNgFrame(frame);
    EXPECT_EQ(frame[0], 'N');
    EXPECT_EQ(frame[1], 'G');
    BuildEraseFrame(frame);
    EXPECT_EQ((std::array<std::uint8_t, 4>{frame[0], frame[1], frame[2], frame[3]}),
              (std::array<std::uint8_t, 4>{0x01, 0x01, 0x0D, 0x0A}));
    BuildEndFrame(frame);
    EXPECT_EQ((std::array<std::uint8_t, 4>{frame[0], frame[1], frame[2], frame[3]}),
              (std::array<std::uint8_t, 4>{0x00, 0x00, 0x0D, 0x0A}));
    EXPECT_EQ(frame[4], 0x42);
}

TEST(CommandFramesTest, CheckEchoTellsMatchDifferenceAndShortInput) {
    CommandFrameBytes frame{};
    for (std::size_t i = 0; i < frame.size(); ++i) {
        frame[i] = static_cast<std::uint8_t>(i + 1);
    }
    std::vector<std::uint8_t> received(23 + 20, 0xEE);  // 23 bytes of echo in front, as in mode 1
    std::copy(frame.begin(), frame.end(), received.begin() + 23);
    EXPECT_EQ(CheckEcho(frame, received, 23), 1);

    auto wrong = received;
    wrong[23 + 19] ^= 0x01;
    EXPECT_EQ(CheckEcho(frame, wrong, 23), 0);

    auto shortAnswer = received;
    shortAnswer.resize(23 + 19);
    EXPECT_EQ(CheckEcho(frame, shortAnswer, 23), -1);
    EXPECT_EQ(CheckEcho(frame, {}, 20), -1);

    // A difference before the end of the received bytes is reported as a difference.
    shortAnswer[23] ^= 0xFF;
    EXPECT_EQ(CheckEcho(frame, shortAnswer, 23), 0);
}

TEST(CommandFramesTest, AddressTextIsTheRowWithAZeroAppended) {
    EXPECT_EQ(addressText(0xC000), "C0000");
    EXPECT_EQ(addressText(0xFEC0), "FEC00");
    EXPECT_EQ(addressText(0xFFFF), "FFFF0");
}

}  // namespace
}  // namespace rkt5
