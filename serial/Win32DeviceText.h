#pragma once

// The texts Windows keeps of a device node, in UTF-8: its instance id, its location, its
// properties and its registry values. Each is empty where the system's call fails or the device
// has none.

#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

#include <string>
#include <string_view>

namespace rkt5 {

std::string utf8Of(std::wstring_view text);

// "USB\VID_0403&PID_6001\A50285BI"
std::string instanceIdOf(DEVINST node);

// Where it is plugged in: "Port_#0002.Hub_#0003".
std::string locationOf(DEVINST node);

// A text property of the device (SPDRP_FRIENDLYNAME, SPDRP_SERVICE, ...), however long.
std::string registryPropertyOf(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property);

// A REG_SZ value of an open registry key.
std::string registryText(HKEY key, const wchar_t* name);

}  // namespace rkt5
