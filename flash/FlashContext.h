#pragma once

#include "flash/FlashPanel.h"
#include "image/FlashImage.h"
#include "link/RadioLink.h"

namespace rkt5 {

// Everything a flash operation works with: the link it talks through, the image it sends and the
// panel it reads its choices from and reports progress to.
struct FlashContext {
    RadioLink& link;
    const FlashImage& image;
    FlashPanel& panel;
};

}  // namespace rkt5
