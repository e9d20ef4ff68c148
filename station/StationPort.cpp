#include "station/StationPort.h"

#include <algorithm>

#include "common/RunTimeError.h"

namespace rkt5 {

namespace {

StationPort describe(int number, const std::string& device, const std::vector<SystemPort>& listed) {
    StationPort port{number, device, {}, {}};
    const auto found = std::ranges::find(listed, device, &SystemPort::device);
    if (found != listed.end()) {
        port.serialNumber = found->serialNumber;
        port.location = found->location;
    }
    return port;
}

// The menu number that stands for `device`, 0 when none does.
int numberOf([[maybe_unused]] const PortNames& names, const std::string& device) {
#ifdef _WIN32
    return PortNames::parseComName(device, PortNames::kLastWindowsNumber).value_or(0);
#else
    return names.numberFor(device).value_or(0);
#endif
}

}  // namespace

std::string StationPort::name() const {
    const std::string com = "COM" + std::to_string(number);
    if (number == 0 || device == com) {
        return device;
    }
    return com + " " + device;
}

std::vector<StationPort> portsOfArguments(const std::vector<std::string>& arguments,
                                          PortNames& names, const std::vector<SystemPort>& listed) {
    std::vector<StationPort> ports;
    for (const std::string& argument : arguments) {
        const int number = names.useArgument(argument);
        const std::string device = names.deviceFor(number);
        if (std::ranges::find(ports, device, &StationPort::device) != ports.end()) {
            throw RunTimeError(ErrorNumber::ValueOutOfRange,
                               "\"" + argument + "\" is named twice (" + device + ")");
        }
        ports.push_back(describe(numberOf(names, device), device, listed));
    }
    return ports;
}

std::vector<StationPort> usbAdapterPorts(const PortNames& names,
                                         const std::vector<SystemPort>& listed) {
    std::vector<StationPort> ports;
    for (const SystemPort& system : listed) {
        if (system.isUsb()) {
            ports.push_back(describe(numberOf(names, system.device), system.device, listed));
        }
    }
    // In the menu's order; one beyond its numbers goes last, by name.
    std::ranges::sort(ports, {}, [](const StationPort& port) {
        return std::pair(port.number == 0 ? PortNames::kLastWindowsNumber + 1 : port.number,
                         port.device);
    });
    return ports;
}

std::vector<StationPort> boundPorts(const PortNames& names, const std::vector<int>& boundNumbers,
                                    const std::vector<SystemPort>& listed) {
    std::vector<StationPort> ports;
    for (const int number : boundNumbers) {
        ports.push_back(describe(number, names.deviceFor(number), listed));
    }
    return ports;
}

}  // namespace rkt5
