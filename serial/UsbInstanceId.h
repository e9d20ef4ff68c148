#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rkt5 {

// What a Windows device instance id says of a USB serial adapter.
struct UsbIdentity {
    std::optional<unsigned> vendorId;
    std::optional<unsigned> productId;
    std::string serialNumber;  // empty where the id has none of the adapter's own
    // The USB device is the parent of the node with this id, and has its location (and, where
    // this id has none, its serial number): for one interface of a composite device ("&MI_00"),
    // and for a port of FTDI's driver.
    bool usbDeviceIsParent = false;
};

// Reads the ids that USB serial adapters get, in any letter case:
//   USB\VID_10C4&PID_EA60\0001                  the serial number is the last part, unless
//   USB\VID_067B&PID_2303\5&2B3F1A2&0&2         Windows made that part up (it has '&' in it);
//   USB\VID_2341&PID_0043&MI_00\6&1234&0&0000   one interface of a composite device;
//   FTDIBUS\VID_0403+PID_6001+A50285BIA\0000    FTDI's driver, whose serial number carries the
//                                               chip's port letter (A to D) behind the adapter's.
// Ids of other buses ("ACPI\PNP0501\1") give no USB ids.
UsbIdentity readInstanceId(std::string_view id);

}  // namespace rkt5
