#include "flash/CommandFrames.h"

#include <algorithm>

#include "common/WireProtocol.h"
#include "flash/CellByte.h"

namespace rkt5 {

namespace {

void putHead(CommandFrameBytes& frame, const std::array<std::uint8_t, 4>& head) {
    std::copy(head.begin(), head.end(), frame.begin());
}

}  // namespace

void BuildEraseFrame(CommandFrameBytes& CommandFrame) {
    putHead(CommandFrame, wire::kEraseFrameHead);
}
void BuildEndFrame(CommandFrameBytes& CommandFrame) {
    putHead(CommandFrame, wire::kEndFrameHead);
}
void BuildOkFrame(CommandFrameBytes& CommandFrame) {
    putHead(CommandFrame, wire::kOkFrameHead);
}
void BuildNgFrame(CommandFrameBytes& CommandFrame) {
    putHead(CommandFrame, wire::kNgFrameHead);
}

void BuildRowFrame(CommandFrameBytes& CommandFrame, const FlashImage& image, int row) {
    CommandFrame[0] = cellByte(row / 256);
    CommandFrame[1] = cellByte(row % 256);
    auto at = CommandFrame.begin() + 2;
    for (int column = 0; column < FlashImage::kColumns; ++column) {
        *at++ = cellByte(image.cell(row, column));
    }
    std::fill(at, CommandFrame.end(), 0x00);
}

int CheckEcho(const CommandFrameBytes& CommandFrame, const std::vector<std::uint8_t>& RxBuffer,
              int offset) {
    for (std::size_t i = 0; i < CommandFrame.size(); ++i) {
        const std::size_t at = static_cast<std::size_t>(offset) + i;
        if (offset < 0 || at >= RxBuffer.size()) {
            return -1;
        }
        if (RxBuffer[at] != CommandFrame[i]) {
            return 0;
        }
    }
    return 1;
}

}  // namespace rkt5
