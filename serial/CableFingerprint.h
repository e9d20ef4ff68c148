#pragma once

// What the system tells of one programming cable: the USB device of a known serial chip, or a
// serial port the system lists, or both. The cable doctor's rules read nothing else.

#include <optional>
#include <string>
#include <vector>

namespace rkt5 {

struct CableFingerprint {
    std::string device;            // the path that opens the port ("COM3", "/dev/ttyUSB0"); empty
                                   // when the cable has no port (no driver, a failed start)
    std::optional<int> comNumber;  // the COM number the programs give it
    std::optional<unsigned> vendorId;  // USB ids, for USB devices
    std::optional<unsigned> productId;
    std::string chip;          // the chip family its ids name ("WCH CH340"); empty when unknown
    std::string serialNumber;  // the USB serial number, when the device has one
    std::string location;      // where it is plugged in ("1-1.2", "Port_#0002.Hub_#0003")
    std::string driver;        // the driver bound to it ("ch341", "CH341SER_A64"); empty: none
    std::string driverVersion;
    std::optional<unsigned> problemCode;  // Windows' Device Manager code (10, 28, ...), if any
    std::string name;                     // the name the system shows for it
    std::string busDescription;           // what the device itself says it is, over USB
    std::optional<int> latencyMs;         // the adapter's latency timer, where the system has one
    std::string holder;         // the program that holds the port or the device, when known
    bool accessDenied = false;  // this user may not open the port
};

// What the system runs around the cables, as far as the rules need it.
struct CableSystem {
    bool windows = false;
    std::vector<std::string> programs;  // running programs that take serial ports of their own
                                        // ("ModemManager", "brltty")
};

}  // namespace rkt5
