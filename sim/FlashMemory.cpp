#include "sim/FlashMemory.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "common/WireProtocol.h"

namespace rkt5::sim {

using wire::kFlashBase;
using wire::kFlashSize;

FlashMemory::FlashMemory() : cells_(kFlashSize, 0xFF) {}

FlashMemory::FlashMemory(std::vector<std::uint8_t> contents) : cells_(std::move(contents)) {
    if (cells_.size() != kFlashSize) {
        throw std::invalid_argument("flash contents must be " + std::to_string(kFlashSize) +
                                    " bytes, not " + std::to_string(cells_.size()));
    }
}

bool FlashMemory::contains(std::uint32_t address, std::size_t length) {
    return address >= kFlashBase && address - kFlashBase <= kFlashSize &&
           length <= kFlashSize - (address - kFlashBase);
}

void FlashMemory::erase(std::uint32_t first, std::uint32_t last) {
    if (last < first || !contains(first, last - first + 1)) {
        throw std::out_of_range("erase range outside the flash");
    }
    std::fill(cells_.begin() + (first - kFlashBase), cells_.begin() + (last - kFlashBase) + 1,
              std::uint8_t{0xFF});
}

bool FlashMemory::program(std::uint32_t address, std::span<const std::uint8_t> data) {
    if (!contains(address, data.size())) {
        return false;
    }
    const auto start = cells_.begin() + (address - kFlashBase);
    // Check the whole range first so a refused program leaves the flash as it was.
    for (std::size_t i = 0; i < data.size(); ++i) {
        if ((start[i] & data[i]) != data[i]) {
            return false;
        }
    }
    std::copy(data.begin(), data.end(), start);
    return true;
}

std::uint8_t FlashMemory::at(std::uint32_t address) const {
    if (!contains(address, 1)) {
        throw std::out_of_range("address outside the flash");
    }
    return cells_[address - kFlashBase];
}

}  // namespace rkt5::sim
