#pragma once

#include <cstdint>
#include <string_view>

#include "common/WireProtocol.h"
#include "image/FlashImage.h"

namespace rkt5 {

// Typed into the pin-number box, this word lets the erase and the write reach the top flash block
// 0xFF000-0xFFFFF, which holds what the transceiver needs to start and is left alone otherwise.
inline constexpr std::string_view kAccessWord = "LANTERN";

// The whole text, case-sensitive, no trimming.
inline bool isAccessWord(std::string_view text) {
    return text == kAccessWord;
}

// Where the write ends: the top of the flash with the access word, below the top block without.
inline std::uint32_t writeEndAddress(std::string_view pinNumberText) {
    return isAccessWord(pinNumberText) ? wire::kFlashBase + wire::kFlashSize : wire::kTopBlockStart;
}

// The last image row below the top block: where every write ends without the access word.
inline constexpr int kLastRowBelowTopBlock =
    static_cast<int>(wire::kTopBlockStart / FlashImage::kColumns) - 1;

}  // namespace rkt5
