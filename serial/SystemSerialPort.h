#pragma once

// The serial port of the system the programs are built for; both have the same eight operations
// and a PortNames of their own.
#ifdef _WIN32
#include "serial/Win32SerialPort.h"
#else
#include "serial/QtSerialPort.h"
#endif

namespace rkt5 {

#ifdef _WIN32
using SystemSerialPort = Win32SerialPort;
#else
using SystemSerialPort = QtSerialPort;
#endif

}  // namespace rkt5
