#include "serial/Win32Cables.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>

#include "serial/UsbInstanceId.h"
#include "serial/UsbSerialChips.h"

namespace rkt5 {

namespace {

// Windows matches instance ids and port names in any letter case.
bool sameText(std::string_view a, std::string_view b) {
    return std::ranges::equal(
        a, b, [](unsigned char x, unsigned char y) { return std::toupper(x) == std::toupper(y); });
}

// "COM17": 17. Nothing for a printer port, or a modem on no COM port.
std::optional<int> comNumberOf(std::string_view name) {
    if (name.size() < 4 || !sameText(name.substr(0, 3), "COM")) {
        return std::nullopt;
    }
    int number = 0;
    const char* end = name.data() + name.size();
    const auto [stop, error] = std::from_chars(name.data() + 3, end, number);
    return error == std::errc{} && stop == end && number > 0 ? std::optional(number) : std::nullopt;
}

// The USB device that `device` is an interface or an FTDI port of, when the list has it.
const Win32Device* usbDeviceOf(const Win32Device& device, const std::vector<Win32Device>& devices) {
    if (device.parentInstanceId.empty() || !readInstanceId(device.instanceId).usbDeviceIsParent) {
        return nullptr;
    }
    const auto found = std::ranges::find_if(devices, [&](const Win32Device& candidate) {
        return sameText(candidate.instanceId, device.parentInstanceId);
    });
    return found == devices.end() ? nullptr : &*found;
}

const std::string& firstOf(const std::string& preferred, const std::string& other) {
    return preferred.empty() ? other : preferred;
}

CableFingerprint fingerprintOf(const Win32Device& device, const Win32Device& usbDevice) {
    const UsbIdentity identity = readInstanceId(device.instanceId);
    CableFingerprint cable{.vendorId = identity.vendorId, .productId = identity.productId};
    cable.comNumber = comNumberOf(device.portName);
    // A device with a problem did not start: Windows keeps its COM number for it, but there is
    // no port to open.
    if (cable.comNumber && !device.problemCode) {
        cable.device = device.portName;
    }
    if (const auto chip = usbSerialChip(cable.vendorId, cable.productId)) {
        cable.chip = chip->family;
    }
    cable.serialNumber =
        firstOf(readInstanceId(usbDevice.instanceId).serialNumber, identity.serialNumber);
    cable.location = firstOf(usbDevice.location, device.location);
    // The port's driver rather than the bus driver beneath it (FTDIBUS, usbccgp).
    const Win32Device& driven = device.service.empty() ? usbDevice : device;
    cable.driver = driven.service;
    cable.driverVersion = driven.driverVersion;
    cable.problemCode = device.problemCode ? device.problemCode : usbDevice.problemCode;
    cable.name = firstOf(firstOf(device.friendlyName, device.description),
                         firstOf(usbDevice.friendlyName, usbDevice.description));
    // The product string of the device itself, before an interface's own.
    cable.busDescription = firstOf(usbDevice.busDescription, device.busDescription);
    const auto latency = device.latencyTimer ? device.latencyTimer : usbDevice.latencyTimer;
    if (latency) {
        cable.latencyMs = static_cast<int>(*latency);
    }
    return cable;
}

}  // namespace

std::vector<CableFingerprint> fingerprintsOf(const std::vector<Win32Device>& devices) {
    std::vector<const Win32Device*> usbDevices;  // of each device, or null
    for (const Win32Device& device : devices) {
        usbDevices.push_back(usbDeviceOf(device, devices));
    }
    std::vector<CableFingerprint> cables;
    for (std::size_t index = 0; index < devices.size(); ++index) {
        const Win32Device& device = devices[index];
        if (std::ranges::find(usbDevices, &device) != usbDevices.end()) {
            continue;  // its interfaces or ports stand for it
        }
        const UsbIdentity identity = readInstanceId(device.instanceId);
        if (!comNumberOf(device.portName) &&
            !usbSerialChip(identity.vendorId, identity.productId)) {
            continue;  // a printer port, a modem on no COM port, a hub
        }
        const Win32Device none;
        cables.push_back(fingerprintOf(device, usbDevices[index] ? *usbDevices[index] : none));
    }
    return cables;
}

}  // namespace rkt5
