// The serial ports as Qt's serial port module lists them (every system but Windows, where the
// programs have no Qt serial port module).
#include <QSerialPort>
#include <QSerialPortInfo>

#include "link/OpenFailure.h"
#include "link/SystemPorts.h"

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

std::optional<std::string> whyItWillNotOpen(const std::string& device) {
    QSerialPort port(QString::fromStdString(device));
    if (!port.open(QIODevice::ReadWrite)) {
        return openFailureReason(port, device);
    }
    port.close();
    return std::nullopt;
}

}  // namespace rkt5
