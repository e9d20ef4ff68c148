#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rkt5 {

// One serial port as the system describes it.
struct SystemPort {
    std::string device;  // the path that opens it
    std::string description;
    std::string manufacturer;
    std::string serialNumber;
    std::optional<unsigned> vendorId;  // USB ids, for USB adapters
    std::optional<unsigned> productId;
};

// The serial ports the system lists now.
std::vector<SystemPort> describeSystemPorts();

// The device paths that open `ports`.
std::vector<std::string> devicesOf(const std::vector<SystemPort>& ports);

// The serial ports the system lists now, by their device paths.
std::vector<std::string> systemSerialPorts();

// What the "COM" menu shows for `device`: the device path itself, and on Windows, where the
// device is only "COMn", the name the system gives the port ("USB Serial Port (COM3)").
std::string portTip(const std::vector<SystemPort>& ports, const std::string& device);

// Opens the port at `device` for a moment, as an operation would: nothing when it opens, else why
// not, in words for the operator.
std::optional<std::string> whyItWillNotOpen(const std::string& device);

}  // namespace rkt5
