#include "link/SystemPorts.h"

#include <QSerialPortInfo>

namespace rkt5 {

std::vector<SystemPort> describeSystemPorts() {
    std::vector<SystemPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SystemPort port{.device = info.systemLocation().toStdString(),
                        .description = info.description().toStdString(),
                        .manufacturer = info.manufacturer().toStdString(),
                        .serialNumber = info.serialNumber().toStdString()};
        if (info.hasVendorIdentifier()) {
            port.vendorId = info.vendorIdentifier();
        }
        if (info.hasProductIdentifier()) {
            port.productId = info.productIdentifier();
        }
        ports.push_back(std::move(port));
    }
    return ports;
}

std::vector<std::string> devicesOf(const std::vector<SystemPort>& ports) {
    std::vector<std::string> devices;
    for (const SystemPort& port : ports) {
        devices.push_back(port.device);
    }
    return devices;
}

std::vector<std::string> systemSerialPorts() {
    return devicesOf(describeSystemPorts());
}

}  // namespace rkt5
