#pragma once

// The USB serial chips that programming cables are built on, by their USB ids.

#include <optional>
#include <string_view>

namespace rkt5 {

struct UsbSerialChip {
    unsigned vendorId;
    unsigned productId;
    std::string_view family;       // "WCH CH340"
    std::string_view linuxDriver;  // the kernel module that serves it ("ch341")
};

// The chip of these ids; nothing for a device that is no known serial chip.
std::optional<UsbSerialChip> usbSerialChip(unsigned vendorId, unsigned productId);
// The same for ids a device may lack: nothing unless it has both.
std::optional<UsbSerialChip> usbSerialChip(std::optional<unsigned> vendorId,
                                           std::optional<unsigned> productId);

}  // namespace rkt5
