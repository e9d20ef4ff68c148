#pragma once

#include <cstdint>
#include <vector>

#include "firmware/generator/FirmwareMap.h"
#include "firmware/generator/SplitMix64.h"

namespace rkt5::firmware_gen {

// The bytes of the whole image, index = address - kImageStart. Bytes that fall into gaps are
// filled as well but never written out.
std::vector<std::uint8_t> makeContent(SplitMix64& rng);

// A row that receives data must receive at least one byte below 0xFF, or the updater would skip
// it: where the data part of a row came out all 0xFF, its first data byte becomes 0x00.
void keepDataRowsFlagged(std::vector<std::uint8_t>& image, const std::vector<Span>& runs);

}  // namespace rkt5::firmware_gen
