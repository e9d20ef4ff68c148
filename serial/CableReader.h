#pragma once

// The cables the system has now: every USB device of a known serial chip and every serial port
// the system lists, one fingerprint each, devices with a problem and no port included. Linux reads
// sysfs and /proc under the folder RKT5_SYSFS_ROOT names ("/" when unset); Windows asks SetupAPI,
// the configuration manager and each device's registry key.

#include <vector>

#include "serial/CableFingerprint.h"

namespace rkt5 {

std::vector<CableFingerprint> readCables();

CableSystem readCableSystem();

}  // namespace rkt5
