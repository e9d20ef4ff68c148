#pragma once

// The simulated flash as a file: 262,144 bytes, 0xC0000 first, the same layout as the updater's
// image dump, so the two compare byte for byte.

#include <cstdint>
#include <string>
#include <vector>

namespace rkt5::sim {

// Throws std::runtime_error naming the file when it cannot be read or has the wrong size.
std::vector<std::uint8_t> readFlashFile(const std::string& path);

// Writes through a temporary file and a rename, so a reader never sees half a flash.
// Throws std::runtime_error naming the file on failure.
void writeFlashFile(const std::string& path, const std::vector<std::uint8_t>& contents);

}  // namespace rkt5::sim
