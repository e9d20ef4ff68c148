#include "serial/SystemPorts.h"

#include "common/RunTimeError.h"
#include "serial/SystemSerialPort.h"

namespace rkt5 {

std::vector<std::string> devicesOf(const std::vector<SystemPort>& ports) {
    std::vector<std::string> devices;
    for (const SystemPort& port : ports) {
        devices.push_back(port.device);
    }
    return devices;
}

std::string portTip([[maybe_unused]] const std::vector<SystemPort>& ports,
                    const std::string& device) {
#ifdef _WIN32
    for (const SystemPort& port : ports) {
        if (port.device == device && !port.description.empty()) {
            return port.description;
        }
    }
#endif
    return device;
}

std::vector<std::string> systemSerialPorts() {
    return devicesOf(describeSystemPorts());
}

std::optional<std::string> whyItWillNotOpen(SerialPort& port, int number,
                                            const LineSettings& settings) {
    try {
        port.setCommPort(number);
        port.setSettings(settings);
        port.setPortOpen(true);
        port.setPortOpen(false);
    } catch (const RunTimeError& failure) {
        return failure.what();
    }
    return std::nullopt;
}

std::optional<std::string> whyItWillNotOpen(const std::string& device,
                                            const LineSettings& settings) {
    PortNames names;
    int number = 0;
    try {
        number = names.useArgument(device);
    } catch (const RunTimeError& failure) {
        return failure.what();
    }
    SystemSerialPort port(std::move(names));
    return whyItWillNotOpen(port, number, settings);
}

}  // namespace rkt5
