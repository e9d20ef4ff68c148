#pragma once

#include <optional>
#include <string>
#include <vector>

#include "serial/LineSettings.h"
#include "serial/SerialPort.h"

namespace rkt5 {

// One serial port as the system describes it.
struct SystemPort {
    std::string device;  // the path that opens it
    std::string description;
    std::string manufacturer;
    std::string serialNumber;
    std::optional<unsigned> vendorId;  // USB ids, for USB adapters
    std::optional<unsigned> productId;
    // Where a USB adapter is plugged in ("1-1.2", "Port_#0002.Hub_#0003"): the slot of a station's
    // hub stays the same when the adapter in it is changed.
    std::string location;

    bool isUsb() const { return vendorId.has_value(); }
};

// The serial ports the system lists now.
std::vector<SystemPort> describeSystemPorts();

// What the "COM" menu shows for `device`: the device path itself, and on Windows, where the
// device is only "COMn", the name the system gives the port ("USB Serial Port (COM3)").
std::string portTip(const std::vector<SystemPort>& ports, const std::string& device);

// Opens the port at `device` for a moment and puts `settings` in force, as an operation would:
// nothing when both work, else what failed, in the port's own words for the operator.
std::optional<std::string> whyItWillNotOpen(const std::string& device,
                                            const LineSettings& settings);
// The same for `identity` on `port`.
std::optional<std::string> whyItWillNotOpen(SerialPort& port, const PortIdentity& identity,
                                            const LineSettings& settings);

}  // namespace rkt5
