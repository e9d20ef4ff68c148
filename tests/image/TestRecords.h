#pragma once

// Builders for well-formed record lines, so tests state addresses and bytes instead of hex text.

#include <cstdint>
#include <string>
#include <vector>

#include "image/HexText.h"

namespace rkt5::test {

inline std::string hexByte(unsigned b) {
    return hextext::toUpperHex(b & 0xFFu, 2);
}

// An S1/S2/S3 record with a correct checksum.
inline std::string sRecord(int type, std::uint32_t address, const std::vector<std::uint8_t>& data) {
    const int addressBytes = type + 1;
    std::vector<unsigned> bytes{static_cast<unsigned>(addressBytes + data.size() + 1)};
    for (int i = addressBytes - 1; i >= 0; --i)
        bytes.push_back((address >> (8 * i)) & 0xFF);
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    std::string line = "S" + std::to_string(type);
    for (unsigned b : bytes) {
        sum += b;
        line += hexByte(b);
    }
    return line + hexByte(~sum & 0xFF);
}

// An Intel HEX record with a correct checksum.
inline std::string hexRecord(int type, std::uint16_t address,
                             const std::vector<std::uint8_t>& data) {
    std::vector<unsigned> bytes{static_cast<unsigned>(data.size()), unsigned{address} >> 8u,
                                unsigned{address} & 0xFFu, static_cast<unsigned>(type)};
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    std::string line = ":";
    for (unsigned b : bytes) {
        sum += b;
        line += hexByte(b);
    }
    return line + hexByte((0x100 - (sum & 0xFF)) & 0xFF);
}

// n bytes counting up from first (wrapping), never 0xFF unless first makes it so.
inline std::vector<std::uint8_t> bytesFrom(unsigned first, std::size_t n) {
    std::vector<std::uint8_t> data(n);
    for (std::size_t i = 0; i < n; ++i)
        data[i] = static_cast<std::uint8_t>((first + i) % 0xFF);
    return data;
}

}  // namespace rkt5::test
