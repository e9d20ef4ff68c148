// The cables as Linux knows them: the USB devices under /sys/bus/usb/devices, their interfaces'
// drivers and ttys, the latency timer the usb-serial driver shows, and from /proc which program
// holds a port or a device. Everything is read under RKT5_SYSFS_ROOT, so that a test can hand in
// a tree shaped like the kernel's.

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "serial/CableReader.h"
#include "serial/UsbSerialChips.h"

namespace rkt5 {

namespace {

namespace fs = std::filesystem;

// Programs that take serial ports or USB serial devices of their own accord.
constexpr std::string_view kPortTakers[] = {"ModemManager", "brltty"};

fs::path systemRoot() {
    const char* root = std::getenv("RKT5_SYSFS_ROOT");
    return root != nullptr && *root != '\0' ? fs::path(root) : fs::path("/");
}

std::string firstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

std::optional<unsigned> number(const fs::path& file, int base) {
    const std::string text = firstLine(file);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::vector<fs::path> entries(const fs::path& dir) {
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error)) {
        found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

// The name of the driver bound to a device or interface: the last part of its "driver" link.
std::string driverOf(const fs::path& dir) {
    std::error_code error;
    const fs::path target = fs::read_symlink(dir / "driver", error);
    return error ? std::string() : target.filename().string();
}

// The tty of a USB interface: ttyUSBn right under it (the usb-serial drivers) or tty/ttyACMn
// (cdc_acm).
std::string ttyOf(const fs::path& interface) {
    for (const fs::path& entry : entries(interface)) {
        if (entry.filename().string().starts_with("ttyUSB")) {
            return entry.filename().string();
        }
    }
    const std::vector<fs::path> ttys = entries(interface / "tty");
    return ttys.empty() ? std::string() : ttys.front().filename().string();
}

// What /proc tells: which program holds which device node, and which port takers run.
struct Processes {
    std::map<std::string, std::string> holders;  // "/dev/ttyUSB0" -> "minicom (process 812)"
    std::vector<std::string> portTakers;
};

// `withFiles`: also which device nodes each process has open, which takes a look at every open
// file of every process that can be seen.
Processes readProcesses(const fs::path& root, bool withFiles) {
    Processes processes;
    const std::string self = std::to_string(::getpid());
    for (const fs::path& process : entries(root / "proc")) {
        const std::string pid = process.filename().string();
        const bool isProcess = !pid.empty() && std::all_of(pid.begin(), pid.end(), [](char c) {
            return c >= '0' && c <= '9';
        });
        if (!isProcess || pid == self) {
            continue;
        }
        const std::string program = firstLine(process / "comm");
        if (std::find(std::begin(kPortTakers), std::end(kPortTakers), program) !=
                std::end(kPortTakers) &&
            std::find(processes.portTakers.begin(), processes.portTakers.end(), program) ==
                processes.portTakers.end()) {
            processes.portTakers.push_back(program);
        }
        // Other users' processes cannot be looked into; what can be seen is enough for the
        // operator's own programs, which are the ones that hold a cable by mistake.
        for (const fs::path& fd : withFiles ? entries(process / "fd") : std::vector<fs::path>{}) {
            std::error_code error;
            const std::string target = fs::read_symlink(fd, error).string();
            if (!error && target.starts_with("/dev/")) {
                processes.holders.emplace(target, program + " (process " + pid + ")");
            }
        }
    }
    return processes;
}

std::string usbDeviceNode(const fs::path& device) {
    const auto bus = number(device / "busnum", 10);
    const auto dev = number(device / "devnum", 10);
    if (!bus || !dev) {
        return {};
    }
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", *bus, *dev);
    return node;
}

// The fingerprint of one USB device, if it is a serial cable: a known chip, or any device with a
// tty.
std::optional<CableFingerprint> usbCable(const fs::path& root, const fs::path& device,
                                         const Processes& processes) {
    CableFingerprint cable;
    cable.vendorId = number(device / "idVendor", 16);
    cable.productId = number(device / "idProduct", 16);
    if (!cable.vendorId || !cable.productId) {
        return std::nullopt;
    }
    const auto chip = usbSerialChip(*cable.vendorId, *cable.productId);
    fs::path port;  // the interface with the tty, or the first with a driver
    std::string tty;
    const std::string prefix = device.filename().string() + ":";
    for (const fs::path& interface : entries(device)) {
        if (!interface.filename().string().starts_with(prefix)) {
            continue;
        }
        if (const std::string found = ttyOf(interface); !found.empty() && tty.empty()) {
            tty = found;
            port = interface;
        } else if (port.empty() && !driverOf(interface).empty()) {
            port = interface;
        }
    }
    if (!chip && tty.empty()) {
        return std::nullopt;
    }
    cable.chip = chip ? std::string(chip->family) : std::string();
    cable.serialNumber = firstLine(device / "serial");
    cable.location = device.filename().string();
    cable.name = firstLine(device / "product");
    cable.busDescription = cable.name;
    cable.driver = port.empty() ? std::string() : driverOf(port);
    if (!cable.driver.empty()) {
        cable.driverVersion = firstLine(root / "sys/module" / cable.driver / "version");
    }
    if (!tty.empty()) {
        cable.device = "/dev/" + tty;
        if (const auto latency = number(port / tty / "latency_timer", 10)) {
            cable.latencyMs = static_cast<int>(*latency);
        }
        const fs::path node = root / "dev" / tty;
        cable.accessDenied = ::access(node.c_str(), R_OK | W_OK) != 0 && errno == EACCES;
    }
    const std::string held = cable.driver == "usbfs" ? usbDeviceNode(device) : cable.device;
    if (const auto holder = processes.holders.find(held); holder != processes.holders.end()) {
        cable.holder = holder->second;
    }
    return cable;
}

}  // namespace

std::vector<CableFingerprint> readCables() {
    const fs::path root = systemRoot();
    const Processes processes = readProcesses(root, true);
    std::vector<CableFingerprint> cables;
    for (const fs::path& device : entries(root / "sys/bus/usb/devices")) {
        if (auto cable = usbCable(root, device, processes)) {
            cables.push_back(std::move(*cable));
        }
    }
    return cables;
}

CableSystem readCableSystem() {
    return {.windows = false, .programs = readProcesses(systemRoot(), false).portTakers};
}

}  // namespace rkt5
