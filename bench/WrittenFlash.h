#pragma once

#include <cstdint>
#include <vector>

#include "image/FlashImage.h"

namespace rkt5::bench {

// Whether a simulated transceiver's flash (0xC0000 first) holds `image` below the top block, which
// an update writes only with the access word: a success over a flash that differs is false.
bool flashHoldsImage(const std::vector<std::uint8_t>& flash, const FlashImage& image);

}  // namespace rkt5::bench
