#include "serial/Win32DeviceText.h"

namespace rkt5 {

std::string utf8Of(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    return bytes;
}

std::string instanceIdOf(DEVINST node) {
    wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
    return CM_Get_Device_IDW(node, id, MAX_DEVICE_ID_LEN, 0) == CR_SUCCESS ? utf8Of(id)
                                                                           : std::string();
}

std::string locationOf(DEVINST node) {
    wchar_t location[256] = {};
    ULONG size = sizeof location - sizeof(wchar_t);
    return CM_Get_DevNode_Registry_PropertyW(node, CM_DRP_LOCATION_INFORMATION, nullptr, location,
                                             &size, 0) == CR_SUCCESS
               ? utf8Of(location)
               : std::string();
}

std::string registryPropertyOf(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
    DWORD type = 0;
    DWORD size = 0;
    if (SetupDiGetDeviceRegistryPropertyW(devices, &device, property, &type, nullptr, 0, &size) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || type != REG_SZ) {
        return {};
    }
    // One more character than asked for, so that a value stored without its null still ends.
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, property, &type,
                                           reinterpret_cast<BYTE*>(text.data()), size, nullptr) ||
        type != REG_SZ) {
        return {};
    }
    return utf8Of(text.c_str());
}

std::string registryText(HKEY key, const wchar_t* name) {
    wchar_t buffer[256] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return {};
    }
    return utf8Of(buffer);
}

}  // namespace rkt5
