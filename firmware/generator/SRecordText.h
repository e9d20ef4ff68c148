#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace rkt5::firmware_gen {

// One S-record line without its line end: type digit, count, address of addressBytes bytes,
// data, and the one's complement checksum, in upper-case hexadecimal.
std::string formatSRecord(char type, std::uint32_t address, int addressBytes,
                          std::span<const std::uint8_t> data);

}  // namespace rkt5::firmware_gen
