#include "image/RegionChecksum.h"

#include <cstdint>

#include "image/HexText.h"

namespace rkt5 {

namespace {

// The leading hex digits of a box, upper-case and without leading zeros, so that values of any
// length compare exactly (by length, then digit by digit) and print as typed.
std::string hexDigitsOf(std::string_view text) {
    std::string digits;
    for (char c : text) {
        if (hextext::digitValue(c) < 0)
            break;
        if (digits.empty() && c == '0')
            continue;
        digits.push_back((c >= 'a' && c <= 'f') ? char(c - 'a' + 'A') : c);
    }
    return digits.empty() ? "0" : digits;
}

bool lessThan(const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

RegionChecksum outside(const std::string& addressDigits) {
    return {false, "Address " + addressDigits + " is outside the image (" +
                       hextext::toUpperHex(FlashImage::kFirstAddress) + "-" +
                       hextext::toUpperHex(FlashImage::kLastAddress) + ")."};
}

}  // namespace

RegionChecksum regionChecksum(const FlashImage& image, std::string_view startText,
                              std::string_view endText) {
    const std::string start = hexDigitsOf(startText);
    const std::string end = hexDigitsOf(endText);
    if (lessThan(end, start)) {
        return {true, "0"};  // no address to visit
    }
    const std::string first = hextext::toUpperHex(FlashImage::kFirstAddress);
    const std::string last = hextext::toUpperHex(FlashImage::kLastAddress);
    if (lessThan(start, first) || lessThan(last, start)) {
        return outside(start);
    }
    if (lessThan(last, end)) {
        return outside(hextext::toUpperHex(FlashImage::kLastAddress + 1));
    }
    const std::uint64_t from = hextext::readLenient(start) - FlashImage::kFirstAddress;
    const std::uint64_t to = hextext::readLenient(end) - FlashImage::kFirstAddress;
    const std::int16_t* cells = image.cells();
    std::uint64_t sum = 0;
    for (std::uint64_t offset = from; offset <= to; ++offset) {
        sum += static_cast<std::uint64_t>(cells[offset]);
    }
    return {true, hextext::toUpperHex(sum)};
}

}  // namespace rkt5
