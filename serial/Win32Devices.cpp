#include "serial/Win32Devices.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

// First, so that the property keys and class GUIDs below are defined here, not looked for in a
// library.
#include <initguid.h>

#include <devguid.h>
#include <devpkey.h>

#include "serial/UsbInstanceId.h"
#include "serial/UsbSerialChips.h"
#include "serial/Win32DeviceText.h"

namespace rkt5 {

namespace {

std::string textProperty(HDEVINFO devices, SP_DEVINFO_DATA& device, const DEVPROPKEY& key) {
    DEVPROPTYPE type = 0;
    DWORD size = 0;
    if (SetupDiGetDevicePropertyW(devices, &device, &key, &type, nullptr, 0, &size, 0) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || type != DEVPROP_TYPE_STRING) {
        return {};
    }
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (!SetupDiGetDevicePropertyW(devices, &device, &key, &type,
                                   reinterpret_cast<BYTE*>(text.data()), size, nullptr, 0) ||
        type != DEVPROP_TYPE_STRING) {
        return {};
    }
    return utf8Of(text.c_str());
}

std::optional<unsigned> problemOf(DEVINST node) {
    ULONG status = 0;
    ULONG problem = 0;
    if (CM_Get_DevNode_Status(&status, &problem, node, 0) != CR_SUCCESS ||
        !(status & DN_HAS_PROBLEM)) {
        return std::nullopt;
    }
    return problem;
}

std::string parentIdOf(DEVINST node) {
    DEVINST parent = 0;
    return CM_Get_Parent(&parent, node, 0) == CR_SUCCESS ? instanceIdOf(parent) : std::string();
}

// The hardware key is the one its driver keeps settings in: PortName for every serial port, and
// FTDI's LatencyTimer.
void readHardwareKey(HDEVINFO devices, SP_DEVINFO_DATA& device, Win32Device& record) {
    HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) {
        return;
    }
    record.portName = registryText(key, L"PortName");
    DWORD latency = 0;
    DWORD size = sizeof latency;
    DWORD type = 0;
    if (RegQueryValueExW(key, L"LatencyTimer", nullptr, &type, reinterpret_cast<BYTE*>(&latency),
                         &size) == ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof latency) {
        record.latencyTimer = latency;
    }
    RegCloseKey(key);
}

bool isOfPortClass(const SP_DEVINFO_DATA& device) {
    return IsEqualGUID(device.ClassGuid, GUID_DEVCLASS_PORTS) ||
           IsEqualGUID(device.ClassGuid, GUID_DEVCLASS_MODEM);
}

struct Node {
    SP_DEVINFO_DATA data;
    std::string id;
    std::string parentId;
    bool usbDeviceIsParent;
    bool wanted;
};

Win32Device recordOf(HDEVINFO devices, Node& node) {
    Win32Device record{
        .instanceId = node.id,
        .parentInstanceId = node.parentId,
        .friendlyName = registryPropertyOf(devices, node.data, SPDRP_FRIENDLYNAME),
        .description = registryPropertyOf(devices, node.data, SPDRP_DEVICEDESC),
        .busDescription = textProperty(devices, node.data, DEVPKEY_Device_BusReportedDeviceDesc),
        .service = registryPropertyOf(devices, node.data, SPDRP_SERVICE),
        .driverVersion = textProperty(devices, node.data, DEVPKEY_Device_DriverVersion),
        .problemCode = problemOf(node.data.DevInst),
        .location = registryPropertyOf(devices, node.data, SPDRP_LOCATION_INFORMATION)};
    readHardwareKey(devices, node.data, record);
    return record;
}

class SystemDevices : public Win32Devices {
  public:
    std::vector<Win32Device> present() override {
        // Of all classes: a device that found no driver has no class of its own.
        HDEVINFO devices =
            SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
        if (devices == INVALID_HANDLE_VALUE) {
            return {};
        }
        std::vector<Node> nodes;
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
            std::string id = instanceIdOf(device.DevInst);
            const UsbIdentity identity = readInstanceId(id);
            nodes.push_back(
                {.data = device,
                 .id = std::move(id),
                 .parentId = parentIdOf(device.DevInst),
                 .usbDeviceIsParent = identity.usbDeviceIsParent,
                 .wanted = isOfPortClass(device) ||
                           usbSerialChip(identity.vendorId, identity.productId).has_value()});
        }
        // The composite device an interface belongs to has the serial number and the location.
        const std::size_t count = nodes.size();
        for (std::size_t child = 0; child < count; ++child) {
            if (!nodes[child].wanted || !nodes[child].usbDeviceIsParent) {
                continue;
            }
            for (Node& parent : nodes) {
                if (!parent.id.empty() && parent.id == nodes[child].parentId) {
                    parent.wanted = true;
                }
            }
        }
        std::vector<Win32Device> records;
        for (Node& node : nodes) {
            if (node.wanted) {
                records.push_back(recordOf(devices, node));
            }
        }
        SetupDiDestroyDeviceInfoList(devices);
        return records;
    }
};

}  // namespace

Win32Devices& Win32Devices::system() {
    static SystemDevices devices;
    return devices;
}

}  // namespace rkt5
