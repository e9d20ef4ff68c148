#include "bench/WrittenFlash.h"

#include "common/WireProtocol.h"

namespace rkt5::bench {

bool flashHoldsImage(const std::vector<std::uint8_t>& flash, const FlashImage& image) {
    const std::size_t written = wire::kTopBlockStart - wire::kFlashBase;
    if (flash.size() < written) {
        return false;
    }
    for (std::size_t i = 0; i < written; ++i) {
        if (flash[i] != (image.cells()[i] & 0xFF)) {
            return false;
        }
    }
    return true;
}

}  // namespace rkt5::bench
