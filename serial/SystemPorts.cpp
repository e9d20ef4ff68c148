#include "serial/SystemPorts.h"

#include "common/RunTimeError.h"
#include "serial/PortNames.h"
#include "serial/SystemSerialPort.h"

namespace rkt5 {

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

std::optional<std::string> whyItWillNotOpen(SerialPort& port, const PortIdentity& identity,
                                            const LineSettings& settings) {
    try {
        port.setPort(identity);
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
    PortIdentity identity;
    try {
        identity = names.identifyArgument(device);
    } catch (const RunTimeError& failure) {
        return failure.what();
    }
    SystemSerialPort port;
    return whyItWillNotOpen(port, identity, settings);
}

}  // namespace rkt5
