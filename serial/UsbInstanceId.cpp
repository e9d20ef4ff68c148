#include "serial/UsbInstanceId.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

namespace rkt5 {

namespace {

std::string upperCase(std::string_view text) {
    std::string upper(text);
    std::ranges::transform(upper, upper.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) {
            return parts;
        }
        start = end + 1;
    }
}

// "VID_0403" with `key` "VID_": 0x0403. Exactly four hexadecimal digits.
std::optional<unsigned> idOf(std::string_view part, std::string_view key) {
    if (part.size() != key.size() + 4 || !part.starts_with(key)) {
        return std::nullopt;
    }
    unsigned value = 0;
    const char* end = part.data() + part.size();
    const auto [stop, error] = std::from_chars(part.data() + key.size(), end, value, 16);
    return error == std::errc{} && stop == end ? std::optional(value) : std::nullopt;
}

// A serial number Windows made up for an adapter without one has '&' in it.
bool isOwnSerialNumber(std::string_view text) {
    return !text.empty() && text.find('&') == std::string_view::npos;
}

}  // namespace

UsbIdentity readInstanceId(std::string_view id) {
    const std::string upper = upperCase(id);
    const std::vector<std::string_view> levels = split(upper, '\\');
    const bool ftdi = levels[0] == "FTDIBUS";
    if (levels.size() < 2 || (!ftdi && levels[0] != "USB")) {
        return {};
    }
    const std::vector<std::string_view> hardware = split(levels[1], ftdi ? '+' : '&');
    UsbIdentity identity;
    if (hardware.size() < 2 || !(identity.vendorId = idOf(hardware[0], "VID_")) ||
        !(identity.productId = idOf(hardware[1], "PID_"))) {
        return {};
    }
    // The serial number as the id spells it, letter case and all.
    const std::vector<std::string_view> original = split(id, '\\');
    if (ftdi) {
        identity.usbDeviceIsParent = true;
        const std::string_view serial =
            hardware.size() > 2 ? split(original[1], '+')[2] : std::string_view();
        if (isOwnSerialNumber(serial) && serial.size() > 1) {
            identity.serialNumber = serial.substr(0, serial.size() - 1);
        }
        return identity;
    }
    identity.usbDeviceIsParent = std::ranges::any_of(
        hardware, [](std::string_view part) { return part.starts_with("MI_"); });
    if (!identity.usbDeviceIsParent && levels.size() > 2 && isOwnSerialNumber(original[2])) {
        identity.serialNumber = original[2];
    }
    return identity;
}

}  // namespace rkt5
