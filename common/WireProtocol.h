#pragma once

// What travels on the serial line between the updater and the RK-T5. Shared by the updater's
// protocol code and by the simulated transceiver, which otherwise share no code.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rkt5::wire {

inline constexpr std::uint8_t CR = 0x0D;
inline constexpr std::uint8_t LF = 0x0A;

// Text commands, each ended by CR and echoed byte for byte by the transceiver.
inline constexpr std::string_view kModelCommand = "ZR~RK-T5EG\r";  // answer: CR LF "OK"/"RE" CR LF
inline constexpr std::string_view kConnectCommandMode0 =
    "ZR~E\r";  // answer: 20 bytes, "OK" CR LF first
inline constexpr std::string_view kConnectCommandMode1 =
    "FL\r";  // answer: 20 bytes, "OK" CR LF first
inline constexpr std::string_view kConnectCommandMode2 = "ZR~FLASH\r";  // answer: "CT" CR LF
inline constexpr std::string_view kPortCommandPrefix = "ZR~P";          // + pin text + digit + CR

// Mode 0 and 1 frames: 20 bytes; mode 1 sends them behind "CL~". The transceiver answers each
// frame (after its echo) with a 20-byte frame of its own.
inline constexpr std::size_t kFrameSize = 20;
inline constexpr std::string_view kMode1Prefix = "CL~";
inline constexpr std::size_t kMode1FrameSize = 23;
inline constexpr std::array<std::uint8_t, 4> kEraseFrameHead{0x01, 0x01, CR, LF};
inline constexpr std::array<std::uint8_t, 4> kEndFrameHead{0x00, 0x00, CR, LF};
inline constexpr std::array<std::uint8_t, 4> kOkFrameHead{'O', 'K', CR, LF};
inline constexpr std::array<std::uint8_t, 4> kNgFrameHead{'N', 'G', CR, LF};

// Mode 2 flash packets: FF FE, two command letters, payload, checksum of bytes 2..1030.
inline constexpr std::size_t kPacketSize = 1032;
inline constexpr std::size_t kPacketFirstHalf = 512;
inline constexpr std::size_t kPacketSecondHalf = 520;
inline constexpr std::uint8_t kPacketHead0 = 0xFF;
inline constexpr std::uint8_t kPacketHead1 = 0xFE;
inline constexpr std::size_t kPacketChecksumOffset = 1031;
inline constexpr std::size_t kPacketPayloadOffset = 4;
inline constexpr std::size_t kProgramAddressOffset = 4;  // "PG": 3 address bytes, then 1024 data
inline constexpr std::size_t kProgramDataOffset = 7;
inline constexpr std::size_t kBlockSize = 1024;

// An erase block of the transceiver's flash. A "BE" packet names each block it erases by the
// block's highest even address, its top.
struct EraseBlock {
    std::uint32_t first;
    std::uint32_t last;

    constexpr std::uint32_t top() const { return last & ~std::uint32_t{1}; }
};

// The blocks below the top block, in the order the "BE" packet lists them.
inline constexpr std::array<EraseBlock, 8> kEraseBlocks{{
    {0xFE000, 0xFEFFF},
    {0xFC000, 0xFDFFF},
    {0xFA000, 0xFBFFF},
    {0xF8000, 0xF9FFF},
    {0xF0000, 0xF7FFF},
    {0xE0000, 0xEFFFF},
    {0xD0000, 0xDFFFF},
    {0xC0000, 0xCFFFF},
}};
// The top block, 0xFF000-0xFFFFF: listed last, and only with the access word.
inline constexpr EraseBlock kTopEraseBlock{0xFF000, 0xFFFFF};

// Erase list of the "BE" packet: the tops of the blocks below the top block, in order; the top
// block's follows only with the access word.
inline constexpr std::array<std::uint32_t, kEraseBlocks.size()> kEraseBlockTops = [] {
    std::array<std::uint32_t, kEraseBlocks.size()> tops{};
    for (std::size_t i = 0; i < tops.size(); ++i) {
        tops[i] = kEraseBlocks[i].top();
    }
    return tops;
}();
inline constexpr std::uint32_t kTopEraseBlockTop = kTopEraseBlock.top();

// Replies after the echo: short replies are X Y CR LF, status replies CR LF X Y CR LF.
inline constexpr std::size_t kShortReplySize = 4;
inline constexpr std::size_t kStatusReplySize = 6;
inline constexpr std::size_t kFrameReplySize = 20;

// The transceiver's flash.
inline constexpr std::uint32_t kFlashBase = 0xC0000;
inline constexpr std::uint32_t kFlashSize = 0x40000;  // 256 KB, up to 0xFFFFF
// The top block, 0xFF000-0xFFFFF, holds what the transceiver needs to start: only a mode 2 update
// with the access word writes it.
inline constexpr std::uint32_t kTopBlockStart = 0xFF000;

}  // namespace rkt5::wire
