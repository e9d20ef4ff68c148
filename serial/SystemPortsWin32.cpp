// The serial ports Windows lists: every device of the Ports and Modem classes with a COM port name,
// with its friendly name ("USB Serial Port (COM3)"), maker, USB ids, serial number and location,
// and any COM port the serial map of the registry names besides (virtual ports, wine's mapped
// ones).
#include <windows.h>

#include <cfgmgr32.h>
#include <devguid.h>
#include <setupapi.h>

#include <algorithm>

#include "serial/SystemPorts.h"
#include "serial/UsbInstanceId.h"
#include "serial/Win32DeviceText.h"

namespace rkt5 {

namespace {

// The USB ids and serial number of the adapter behind a port, and where it is plugged in: what
// the port's own id says, and for a port of FTDI's driver or one interface of a composite device,
// what its parent, the USB device itself, says.
void readUsbAdapter(DEVINST node, SystemPort& port) {
    const UsbIdentity identity = readInstanceId(instanceIdOf(node));
    if (!identity.vendorId) {
        return;
    }
    port.vendorId = identity.vendorId;
    port.productId = identity.productId;
    port.serialNumber = identity.serialNumber;
    DEVINST usbDevice = 0;
    if (!identity.usbDeviceIsParent || CM_Get_Parent(&usbDevice, node, 0) != CR_SUCCESS) {
        return;
    }
    if (port.serialNumber.empty()) {
        port.serialNumber = readInstanceId(instanceIdOf(usbDevice)).serialNumber;
    }
    if (const std::string location = locationOf(usbDevice); !location.empty()) {
        port.location = location;
    }
}

// The COM ports of one device class that are present now.
void addPortsOfClass(const GUID& deviceClass, std::vector<SystemPort>& ports) {
    HDEVINFO devices = SetupDiGetClassDevsW(&deviceClass, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        return;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) {
            continue;
        }
        const std::string name = registryText(key, L"PortName");
        RegCloseKey(key);
        if (name.rfind("COM", 0) != 0) {
            continue;  // a printer port, or a modem on no COM port
        }
        SystemPort port{
            .device = name,
            .description = registryPropertyOf(devices, device, SPDRP_FRIENDLYNAME),
            .manufacturer = registryPropertyOf(devices, device, SPDRP_MFG),
            .location = registryPropertyOf(devices, device, SPDRP_LOCATION_INFORMATION)};
        readUsbAdapter(device.DevInst, port);
        ports.push_back(std::move(port));
    }
    SetupDiDestroyDeviceInfoList(devices);
}

// Serial adapters are of the Ports class; some CDC-ACM devices install as modems.
std::vector<SystemPort> portsOfTheDeviceClasses() {
    std::vector<SystemPort> ports;
    addPortsOfClass(GUID_DEVCLASS_PORTS, ports);
    addPortsOfClass(GUID_DEVCLASS_MODEM, ports);
    return ports;
}

std::vector<std::string> portsOfTheSerialMap() {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return names;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256];
        DWORD nameLength = 255;
        wchar_t data[64] = {};
        DWORD dataSize = sizeof data - 2;
        DWORD type = 0;
        if (RegEnumValueW(key, index, valueName, &nameLength, nullptr, &type,
                          reinterpret_cast<BYTE*>(data), &dataSize) != ERROR_SUCCESS) {
            break;
        }
        if (type == REG_SZ) {
            names.push_back(utf8Of(data));
        }
    }
    RegCloseKey(key);
    return names;
}

int comNumber(const std::string& name) {
    return std::atoi(name.c_str() + 3);
}

}  // namespace

std::vector<SystemPort> describeSystemPorts() {
    std::vector<SystemPort> ports = portsOfTheDeviceClasses();
    for (const std::string& name : portsOfTheSerialMap()) {
        if (std::none_of(ports.begin(), ports.end(),
                         [&](const SystemPort& port) { return port.device == name; })) {
            ports.push_back({.device = name});
        }
    }
    std::sort(ports.begin(), ports.end(), [](const SystemPort& a, const SystemPort& b) {
        return comNumber(a.device) < comNumber(b.device);
    });
    return ports;
}

}  // namespace rkt5
