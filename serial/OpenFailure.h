#pragma once

#include <string>

class QSerialPort;

namespace rkt5 {

// Why the last open of `port` (the serial port at path `device`) failed, in words for the
// operator: no such device, in use by another program, or no permission with the way to get it.
std::string openFailureReason(const QSerialPort& port, const std::string& device);

}  // namespace rkt5
