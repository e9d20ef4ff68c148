#pragma once

#include <array>
#include <cstdint>

#include "common/WireProtocol.h"
#include "image/FlashImage.h"

namespace rkt5 {

// The 1032-byte packets of mode 2: FF FE, two command letters, a payload, and at the end the sum
// of bytes 2 to 1030 modulo 256. Every builder writes all 1032 bytes, so nothing of an earlier
// packet survives into the next.
using FlashPacket = std::array<std::uint8_t, wire::kPacketSize>;

// Rows per "PG" block: 1024 bytes in rows of 16.
inline constexpr int kRowsPerBlock = static_cast<int>(wire::kBlockSize) / FlashImage::kColumns;

// True when a row of the block from `firstRow` holds data: only such blocks are written.
bool blockHasData(const FlashImage& image, int firstRow);

// "BE": the eight erase blocks of 0xC0000-0xFEFFF, and the top block when `topBlock` is set.
void buildErasePacket(FlashPacket& packet, bool topBlock);
// "PG": the 1024 bytes of the 64 rows from `row` (a multiple of 64), behind their address.
void buildProgramPacket(FlashPacket& packet, const FlashImage& image, int row);
// "ED": leave flash mode.
void buildEndPacket(FlashPacket& packet);

std::uint8_t packetChecksum(const FlashPacket& packet);

}  // namespace rkt5
