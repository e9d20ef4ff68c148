// The serial ports Windows lists: every device of the Ports class with a COM port name, with its
// friendly name ("USB Serial Port (COM3)"), maker, USB ids and serial number, and any COM port
// the serial map of the registry names besides (virtual ports, wine's mapped ones).
#include <windows.h>

#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <regex>

#include "link/SystemPorts.h"
#include "link/Win32SerialPort.h"

namespace rkt5 {

namespace {

std::string narrow(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    return bytes;
}

std::wstring deviceProperty(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
    wchar_t buffer[512] = {};
    if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, property, nullptr,
                                           reinterpret_cast<BYTE*>(buffer), sizeof buffer - 2,
                                           nullptr)) {
        return {};
    }
    return buffer;
}

std::wstring registryText(HKEY key, const wchar_t* name) {
    wchar_t buffer[256] = {};
    DWORD size = sizeof buffer - 2;
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return {};
    }
    return buffer;
}

// "USB\VID_0403&PID_6001\A50285BI": the USB ids, and the serial number when the last part is
// one (Windows makes up a part with '&' for adapters without a serial number).
void readInstanceId(const std::string& id, SystemPort& port) {
    static const std::regex kUsbIds(R"(VID_([0-9A-Fa-f]{4})&PID_([0-9A-Fa-f]{4}))");
    std::smatch ids;
    if (std::regex_search(id, ids, kUsbIds)) {
        port.vendorId = std::stoul(ids[1].str(), nullptr, 16);
        port.productId = std::stoul(ids[2].str(), nullptr, 16);
        const std::size_t last = id.rfind('\\');
        if (last != std::string::npos && id.find('&', last) == std::string::npos) {
            port.serialNumber = id.substr(last + 1);
        }
    }
}

std::vector<SystemPort> portsOfThePortsClass() {
    std::vector<SystemPort> ports;
    HDEVINFO devices = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        return ports;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) {
            continue;
        }
        const std::string name = narrow(registryText(key, L"PortName"));
        RegCloseKey(key);
        if (name.rfind("COM", 0) != 0) {
            continue;  // a printer port
        }
        SystemPort port{
            .device = name,
            .description = narrow(deviceProperty(devices, device, SPDRP_FRIENDLYNAME)),
            .manufacturer = narrow(deviceProperty(devices, device, SPDRP_MFG)),
            .location = narrow(deviceProperty(devices, device, SPDRP_LOCATION_INFORMATION))};
        wchar_t id[512] = {};
        if (SetupDiGetDeviceInstanceIdW(devices, &device, id, 511, nullptr)) {
            readInstanceId(narrow(id), port);
        }
        ports.push_back(std::move(port));
    }
    SetupDiDestroyDeviceInfoList(devices);
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
            names.push_back(narrow(data));
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
    std::vector<SystemPort> ports = portsOfThePortsClass();
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
