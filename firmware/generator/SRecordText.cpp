#include "firmware/generator/SRecordText.h"

namespace rkt5::firmware_gen {

std::string formatSRecord(char type, std::uint32_t address, int addressBytes,
                          std::span<const std::uint8_t> data) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string line = {'S', type};
    unsigned sum = 0;
    auto put = [&](unsigned byte) {
        line += kDigits[(byte >> 4) & 0xF];
        line += kDigits[byte & 0xF];
        sum += byte;
    };
    put(static_cast<unsigned>(addressBytes + data.size() + 1));
    for (int shift = 8 * (addressBytes - 1); shift >= 0; shift -= 8) {
        put((address >> shift) & 0xFF);
    }
    for (std::uint8_t byte : data) {
        put(byte);
    }
    put(~sum & 0xFF);
    return line;
}

}  // namespace rkt5::firmware_gen
