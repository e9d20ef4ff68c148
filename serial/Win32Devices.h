#pragma once

// The present devices that may be programming cables, as Windows describes them, behind one
// interface: the system's own in the programs, scripted lists in tests.

#include <optional>
#include <string>
#include <vector>

namespace rkt5 {

// One present device as SetupAPI, the configuration manager and the device's registry key tell
// of it. A field the system gave nothing for is empty.
struct Win32Device {
    std::string instanceId;        // "FTDIBUS\VID_0403+PID_6001+A50285BIA\0000"
    std::string parentInstanceId;  // the node it hangs from; for one interface of a composite
                                   // device and for a port of FTDI's driver, the USB device
    std::string friendlyName;      // "USB Serial Port (COM5)"
    std::string description;       // the device description, from its driver or from the bus
    std::string busDescription;    // the product string the device reports over USB
    std::string service;           // the driver service bound to it ("FTSER2K", "CH341SER_A64")
    std::string driverVersion;     // "2.12.36.4"
    std::optional<unsigned> problemCode;   // Device Manager's code, when it has a problem
    std::string location;                  // "Port_#0002.Hub_#0003"
    std::string portName;                  // "COM5"; "LPT1" for a printer port
    std::optional<unsigned> latencyTimer;  // milliseconds, where the driver keeps one
};

class Win32Devices {
  public:
    virtual ~Win32Devices() = default;

    // The system's devices.
    static Win32Devices& system();

    // Every present USB device of a known serial chip (and each port FTDI's driver makes of one),
    // every present device of the Ports and Modem classes, and the composite USB device that an
    // interface among them belongs to.
    virtual std::vector<Win32Device> present() = 0;
};

}  // namespace rkt5
