#include "serial/NamedSerialPort.h"

#include "common/RunTimeError.h"

namespace rkt5 {

void NamedSerialPort::setSettings(const LineSettings& settings) {
    // The link writes the settings before every send; an open port that has them already is left
    // alone, since each change costs a USB adapter several control transfers.
    const bool changed = settings != settings_;
    settings_ = settings;
    if (portOpen() && changed) {
        applySettings();
    }
}

std::string NamedSerialPort::deviceToOpen() const {
    if (port_.device.empty()) {
        throw RunTimeError(ErrorNumber::PortOpenFailed, "there is no port " + port_.displayName);
    }
    return device();
}

void NamedSerialPort::requireOpen(const char* operation) const {
    if (!portOpen()) {
        throw RunTimeError(ErrorNumber::PortNotOpen, std::string("cannot ") + operation + " " +
                                                         displayName() + ": the port is closed");
    }
}

}  // namespace rkt5
