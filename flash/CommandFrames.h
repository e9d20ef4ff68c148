#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/WireProtocol.h"
#include "image/FlashImage.h"

namespace rkt5 {

// The 20-byte frames of modes 0 and 1. The command and confirmation builders write only the first
// four bytes; the rest keeps what the last row frame left there and goes out with them.
using CommandFrameBytes = std::array<std::uint8_t, wire::kFrameSize>;

void BuildEraseFrame(CommandFrameBytes& CommandFrame);  // 01 01 CR LF
void BuildEndFrame(CommandFrameBytes& CommandFrame);    // 00 00 CR LF
void BuildOkFrame(CommandFrameBytes& CommandFrame);     // "OK" CR LF
void BuildNgFrame(CommandFrameBytes& CommandFrame);     // "NG" CR LF

// A row of the image: the row number most significant byte first (the flash address / 16, which
// fits two bytes for every row), the 16 cells, two zero bytes.
void BuildRowFrame(CommandFrameBytes& CommandFrame, const FlashImage& image, int row);

// Compares the frame with the 20 received bytes at `offset`: 1 when equal, 0 at the first
// difference, -1 when the received bytes end before the comparison does.
int CheckEcho(const CommandFrameBytes& CommandFrame, const std::vector<std::uint8_t>& RxBuffer,
              int offset);

}  // namespace rkt5
