#include "serial/OpenFailure.h"

#include <QSerialPort>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace rkt5 {

std::string openFailureReason(const QSerialPort& port, [[maybe_unused]] const std::string& device) {
    switch (port.error()) {
        case QSerialPort::DeviceNotFoundError:
            return "there is no such device";
        case QSerialPort::PermissionError:
#ifndef _WIN32
            // Qt says the same when the device is locked by another program and when this user
            // may not open it; the device's own permissions tell which.
            if (::access(device.c_str(), R_OK | W_OK) != 0) {
                return "permission denied: this user may not use the port; add the user to the "
                       "'dialout' group (sudo usermod -aG dialout $USER) and log in again";
            }
#endif
            return "it is in use by another program";
        default:
            return port.errorString().toStdString();
    }
}

}  // namespace rkt5
