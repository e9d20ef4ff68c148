#pragma once

#include <cstdint>

namespace rkt5::firmware_gen {

inline constexpr std::uint32_t kImageStart = 0xC0000;
inline constexpr std::uint32_t kImageEnd = 0x100000;  // one past the top byte
inline constexpr std::uint32_t kImageSize = kImageEnd - kImageStart;
inline constexpr std::uint32_t kRowSize = 16;

// A half-open address range [start, start + length).
struct Span {
    std::uint32_t start = 0;
    std::uint32_t length = 0;

    constexpr std::uint32_t end() const { return start + length; }
};

// The linker places five sections at fixed addresses; the flash between them stays blank. Each
// blank stretch runs up to a 32 KB boundary, so it spans as many whole rows as its length allows.
inline constexpr Span kDataSection{0xC0000, 0xFE40};   // version block, texts, fonts, channels
inline constexpr Span kMainCode{0xD0000, 0x17C48};     // application code
inline constexpr Span kTableSection{0xE8000, 0x7505};  // radio tables, then signal code
inline constexpr Span kDriverCode{0xF0000, 0x736E};    // device drivers
inline constexpr Span kFixedSection{0xF8000, 0x8000};  // start-up, interrupts, vectors at the top

inline constexpr Span kSections[] = {kDataSection, kMainCode, kTableSection, kDriverCode,
                                     kFixedSection};

// Reset and interrupt vectors: nine 4-byte entries ending at the top of the image.
inline constexpr std::uint32_t kVectorCount = 9;
inline constexpr std::uint32_t kVectorTable = kImageEnd - 4 * kVectorCount;

}  // namespace rkt5::firmware_gen
