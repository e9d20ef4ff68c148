#pragma once

#include <cstdint>
#include <vector>

#include "firmware/generator/FirmwareMap.h"
#include "firmware/generator/SplitMix64.h"

namespace rkt5::firmware_gen {

// One S2 data record: where it starts and how many data bytes it carries.
struct Record {
    std::uint32_t address = 0;
    std::uint32_t length = 0;
};

// Where the image holds data and how that data is cut into records.
struct FirmwareLayout {
    std::vector<Span> gaps;       // ascending; bytes that no record gives
    std::vector<Span> runs;       // ascending; the rest of the image, contiguous stretches of data
    std::vector<Record> records;  // ascending, in file order
};

// Record shape of the text: full records carry 32 bytes, the short ones end a linker section or
// stand in front of a gap.
inline constexpr std::uint32_t kFullRecordBytes = 32;
inline constexpr std::uint32_t kShortRecordCount = 115;
inline constexpr std::uint32_t kShortRecordBytes = 1658;

// The first slot of the second fill step; the records on both sides of it must be contiguous.
inline constexpr std::uint32_t kSecondPartFirstSlot = 3000;

// Lays out gaps, runs and records. Throws std::runtime_error when the chosen placement cannot
// give the required record shape.
FirmwareLayout makeLayout(SplitMix64& rng);

}  // namespace rkt5::firmware_gen
