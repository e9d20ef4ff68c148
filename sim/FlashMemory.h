#pragma once

// The transceiver's 256 KB flash as a flash chip behaves: erasing sets bytes to 0xFF, programming
// can only clear bits.

#include <cstdint>
#include <span>
#include <vector>

namespace rkt5::sim {

class FlashMemory {
  public:
    FlashMemory();  // erased
    // Takes exactly kFlashSize bytes; anything else throws std::invalid_argument.
    explicit FlashMemory(std::vector<std::uint8_t> contents);

    // True when [address, address + length) lies inside the flash.
    static bool contains(std::uint32_t address, std::size_t length);

    // Sets [first, last] (inclusive absolute addresses, inside the flash) to 0xFF.
    void erase(std::uint32_t first, std::uint32_t last);

    // Programs `data` at `address`. Refused (false, nothing changed) when the range leaves the
    // flash or when any byte would need a bit to go from 0 to 1, i.e. the area was not erased.
    bool program(std::uint32_t address, std::span<const std::uint8_t> data);

    std::uint8_t at(std::uint32_t address) const;
    const std::vector<std::uint8_t>& contents() const { return cells_; }

  private:
    std::vector<std::uint8_t> cells_;
};

}  // namespace rkt5::sim
