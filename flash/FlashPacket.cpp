#include "flash/FlashPacket.h"

#include <algorithm>
#include <numeric>

#include "common/WireProtocol.h"
#include "flash/CellByte.h"

namespace rkt5 {

namespace {

void startPacket(FlashPacket& packet, char first, char second) {
    packet.fill(0xFF);
    packet[0] = wire::kPacketHead0;
    packet[1] = wire::kPacketHead1;
    packet[2] = static_cast<std::uint8_t>(first);
    packet[3] = static_cast<std::uint8_t>(second);
}

void sealPacket(FlashPacket& packet) {
    packet[wire::kPacketChecksumOffset] = packetChecksum(packet);
}

void putAddress(FlashPacket& packet, std::size_t offset, std::uint32_t address) {
    packet[offset] = static_cast<std::uint8_t>(address >> 24);
    packet[offset + 1] = static_cast<std::uint8_t>(address >> 16);
    packet[offset + 2] = static_cast<std::uint8_t>(address >> 8);
    packet[offset + 3] = static_cast<std::uint8_t>(address);
}

}  // namespace

std::uint8_t packetChecksum(const FlashPacket& packet) {
    const auto sum =
        std::accumulate(packet.begin() + 2, packet.begin() + wire::kPacketChecksumOffset, 0u,
                        [](unsigned total, std::uint8_t b) { return total + b; });
    return static_cast<std::uint8_t>(sum);
}

void buildErasePacket(FlashPacket& packet, bool topBlock) {
    startPacket(packet, 'B', 'E');
    std::size_t offset = wire::kPacketPayloadOffset;
    for (const std::uint32_t top : wire::kEraseBlockTops) {
        putAddress(packet, offset, top);
        offset += 4;
    }
    // Without the access word the ninth entry stays FF FF FF FF, which ends the list.
    if (topBlock) {
        putAddress(packet, offset, wire::kTopEraseBlockTop);
    }
    sealPacket(packet);
}

void buildProgramPacket(FlashPacket& packet, const FlashImage& image, int row) {
    startPacket(packet, 'P', 'G');
    const std::uint32_t address = FlashImage::addressOf(row);
    packet[wire::kProgramAddressOffset] = static_cast<std::uint8_t>(address >> 16);
    packet[wire::kProgramAddressOffset + 1] = static_cast<std::uint8_t>(address >> 8);
    packet[wire::kProgramAddressOffset + 2] = static_cast<std::uint8_t>(address);
    std::size_t offset = wire::kProgramDataOffset;
    for (int r = row; r < row + kRowsPerBlock; ++r) {
        for (int column = 0; column < FlashImage::kColumns; ++column) {
            packet[offset++] = cellByte(image.cell(r, column));
        }
    }
    sealPacket(packet);
}

bool blockHasData(const FlashImage& image, int firstRow) {
    for (int row = firstRow; row < firstRow + kRowsPerBlock; ++row) {
        if (image.RowHasData(row)) {
            return true;
        }
    }
    return false;
}

void buildEndPacket(FlashPacket& packet) {
    startPacket(packet, 'E', 'D');
    sealPacket(packet);
}

}  // namespace rkt5
