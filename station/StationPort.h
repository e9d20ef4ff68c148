#pragma once

#include <string>
#include <vector>

#include "serial/PortNames.h"
#include "serial/SystemPorts.h"

namespace rkt5 {

// One transceiver's place at the station: the port it hangs on and what the system tells of the
// adapter there.
struct StationPort {
    int number = 0;            // the COM number the operator knows it by; 0 when it has none
    std::string device;        // what opening it opens
    std::string serialNumber;  // the adapter's USB serial number, where known
    std::string location;      // where the adapter is plugged in, where known
    std::string cableAdvice;   // what is known to be wrong with its cable, and the fix

    // "COM3 /dev/ttyUSB2"; "COM3" on Windows, where that is the device.
    std::string name() const;
};

// The ports given as arguments, in order: "COMn" or a device path (on Windows COMn up to 255),
// numbered as rkt5-flash numbers a single one. `names` holds the system's listing; a bad argument
// or one named twice is a RunTimeError saying which.
std::vector<StationPort> portsOfArguments(const std::vector<std::string>& arguments,
                                          PortNames& names, const std::vector<SystemPort>& listed);

// Every USB serial adapter in `listed`, numbered as the "COM" menu numbers them.
std::vector<StationPort> usbAdapterPorts(const PortNames& names,
                                         const std::vector<SystemPort>& listed);

// The ports bound with "COMn=DEVICE", by number.
std::vector<StationPort> boundPorts(const PortNames& names, const std::vector<int>& boundNumbers,
                                    const std::vector<SystemPort>& listed);

}  // namespace rkt5
