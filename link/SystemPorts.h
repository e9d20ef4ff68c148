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

}  // namespace rkt5
