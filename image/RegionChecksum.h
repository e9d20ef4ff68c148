#pragma once

#include <string>
#include <string_view>

#include "image/FlashImage.h"

namespace rkt5 {

struct RegionChecksum {
    bool ok = false;
    std::string text;  // the sum in upper-case hex when ok, else why the region cannot be summed
};

// Plain sum of the image bytes from start to end inclusive, both given as hex text read leniently
// (up to the first non-hex character; empty reads as 0). Start above end sums nothing: "0". A
// region that reaches outside the image is refused, naming the first address outside it.
RegionChecksum regionChecksum(const FlashImage& image, std::string_view startText,
                              std::string_view endText);

}  // namespace rkt5
