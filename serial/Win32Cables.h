#pragma once

// The cables among the devices Windows lists.

#include <vector>

#include "serial/CableFingerprint.h"
#include "serial/Win32Devices.h"

namespace rkt5 {

// One fingerprint for each COM port and for each USB device of a known chip that has none (no
// driver, a failed start). A port of FTDI's driver or one interface of a composite device is one
// cable with the USB device it belongs to: the USB device gives the serial number and the location,
// the port the rest, where it has it.
std::vector<CableFingerprint> fingerprintsOf(const std::vector<Win32Device>& devices);

}  // namespace rkt5
