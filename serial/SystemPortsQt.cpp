// The serial ports as Qt's serial port module lists them (every system but Windows, where the
// programs have no Qt serial port module).
#include <QFileInfo>
#include <QSerialPortInfo>

#include "serial/SystemPorts.h"

namespace rkt5 {

namespace {

// The USB port path of a tty ("1-1.2"): sysfs links the tty to its USB interface, a directory
// named after the port path and the interface ("1-1.2:1.0"). Empty for anything not on USB.
std::string usbLocation(const QString& portName) {
    const QString device =
        QFileInfo(QStringLiteral("/sys/class/tty/%1/device").arg(portName)).canonicalFilePath();
    if (!device.contains(QStringLiteral("/usb"))) {
        return {};
    }
    const QString interface = QFileInfo(device).fileName();
    const qsizetype colon = interface.indexOf(':');
    // ttyUSB devices sit one level below their interface.
    const QString named = colon >= 0 ? interface : QFileInfo(QFileInfo(device).path()).fileName();
    return named.left(named.indexOf(':')).toStdString();
}

}  // namespace

std::vector<SystemPort> describeSystemPorts() {
    std::vector<SystemPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SystemPort port{.device = info.systemLocation().toStdString(),
                        .description = info.description().toStdString(),
                        .manufacturer = info.manufacturer().toStdString(),
                        .serialNumber = info.serialNumber().toStdString(),
                        .location = usbLocation(info.portName())};
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

}  // namespace rkt5
