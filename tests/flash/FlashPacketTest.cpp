#include "flash/FlashPacket.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/RunTimeError.h"

namespace rkt5 {
namespace {

TEST(FlashPacketTest, EraseListNamesTheTopBlockOnlyWhenAsked) {
    FlashPacket packet{};
    buildErasePacket(packet, false);
    EXPECT_EQ(packet[0], 0xFF);
    EXPECT_EQ(packet[1], 0xFE);
    EXPECT_EQ(packet[2], 'B');
    EXPECT_EQ(packet[3], 'E');
    const std::array<std::uint8_t, 8> firstEntries{0x00, 0x0F, 0xEF, 0xFE, 0x00, 0x0F, 0xDF, 0xFE};
    EXPECT_TRUE(std::equal(firstEntries.begin(), firstEntries.end(), packet.begin() + 4));
    EXPECT_EQ(packet[32], 0x00);
    EXPECT_EQ(packet[33], 0x0C);
    EXPECT_EQ(packet[34], 0xFF);
    EXPECT_EQ(packet[35], 0xFE);
    EXPECT_TRUE(std::all_of(packet.begin() + 36, packet.begin() + 1031,
                            [](std::uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(packet[1031], 0xAE);

    buildErasePacket(packet, true);
    const std::array<std::uint8_t, 4> topEntry{0x00, 0x0F, 0xFF, 0xFE};
    EXPECT_TRUE(std::equal(topEntry.begin(), topEntry.end(), packet.begin() + 36));
    EXPECT_EQ(packet[1031], 0xBE);
}

TEST(FlashPacketTest, EndPacketIsHeadLettersFillAndItsFixedChecksum) {
    FlashPacket packet{};
    packet.fill(0x11);  // leftovers of an earlier packet must not survive
    buildEndPacket(packet);
    EXPECT_EQ(packet[2], 'E');
    EXPECT_EQ(packet[3], 'D');
    EXPECT_TRUE(std::all_of(packet.begin() + 4, packet.begin() + 1031,
                            [](std::uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(packet[1031], 0x86);
}

TEST(FlashPacketTest, ProgramPacketCarriesTheBlockAddressAndItsRowsInOrder) {
    FlashImage image;
    image.storeByte(0xC000, 0, 0x12);
    image.storeByte(0xC03F, 15, 0x34);
    image.storeByte(0xFFC0, 3, 0x56);

    FlashPacket packet{};
    buildProgramPacket(packet, image, 0xC000);
    EXPECT_EQ(packet[2], 'P');
    EXPECT_EQ(packet[3], 'G');
    EXPECT_EQ(packet[4], 0x0C);
    EXPECT_EQ(packet[5], 0x00);
    EXPECT_EQ(packet[6], 0x00);
    EXPECT_EQ(packet[7], 0x12);
    EXPECT_EQ(packet[7 + 1023], 0x34);
    EXPECT_EQ(packet[1031], packetChecksum(packet));

    buildProgramPacket(packet, image, 0xFFC0);
    EXPECT_EQ(packet[4], 0x0F);
    EXPECT_EQ(packet[5], 0xFC);
    EXPECT_EQ(packet[6], 0x00);
    EXPECT_EQ(packet[7 + 3], 0x56);

    buildProgramPacket(packet, image, 0xC040);
    EXPECT_EQ(packet[5], 0x04);
}

TEST(FlashPacketTest, ChecksumCoversLettersAndPayloadButNotTheHead) {
    FlashPacket packet{};
    packet.fill(0);
    packet[0] = 0xFF;
    packet[1] = 0xFE;
    packet[2] = 0x01;
    packet[1030] = 0xFF;
    packet[1031] = 0x77;  // the checksum byte itself is not summed
    EXPECT_EQ(packetChecksum(packet), 0x00);
}

TEST(FlashPacketTest, CellThatDoesNotFitAByteIsAFault) {
    FlashImage image;
    image.setCell(0xC010, 2, 0x100);
    FlashPacket packet{};
    try {
        buildProgramPacket(packet, image, 0xC000);
        FAIL() << "a cell of 256 must not be sent";
    } catch (const RunTimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::ValueOutOfRange);
    }
}

}  // namespace
}  // namespace rkt5
