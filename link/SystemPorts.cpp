#include "link/SystemPorts.h"

#include <QSerialPortInfo>

namespace rkt5 {

std::vector<std::string> systemSerialPorts() {
    std::vector<std::string> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        devices.push_back(info.systemLocation().toStdString());
    }
    return devices;
}

}  // namespace rkt5
