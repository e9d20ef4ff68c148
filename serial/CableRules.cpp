#include "serial/CableRules.h"

#include <algorithm>
#include <initializer_list>
#include <sstream>

#include "serial/UsbSerialChips.h"

namespace rkt5 {

namespace {

enum class On { Both, Windows, Linux };

// One rule: on which system it applies, its signature, and the finding and fix it gives. The texts
// name the cable's details with {port}, {com}, {chip}, {latency}, {holder}, {module}, {problem},
// {name}, {version} and {tty}. A rule for whatever is left fires only when no rule before it did.
struct CableRule {
    std::string_view name;
    On on;
    bool (*signature)(const CableFingerprint& cable, const CableSystem& system);
    std::string_view finding;
    std::string_view fix;
    bool whenNoOther = false;
};

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

bool runs(const CableSystem& system, std::string_view program) {
    return std::find(system.programs.begin(), system.programs.end(), program) !=
           system.programs.end();
}

bool isVendor(const CableFingerprint& cable, unsigned vendorId) {
    return cable.vendorId == vendorId;
}

// Dotted version numbers compared part by part as numbers: 3.8.2023.02 is 3.8.2023.2.
bool versionAtLeast(const std::string& version, std::initializer_list<unsigned> least) {
    std::istringstream parts(version);
    for (const unsigned wanted : least) {
        unsigned part = 0;
        if (!(parts >> part)) {
            return false;
        }
        if (part != wanted) {
            return part > wanted;
        }
        parts.ignore(1, '.');
    }
    return true;
}

bool prolificWith(const CableFingerprint& cable, std::string_view name) {
    return (isVendor(cable, 0x067B) || isVendor(cable, 0x0557)) && contains(cable.name, name);
}

constexpr CableRule kRules[] = {
    // Windows' current Prolific driver stops the chips their maker has retired, and names the
    // device after why.
    {"prolific-phased-out", On::Windows,
     [](const CableFingerprint& c, const CableSystem&) { return prolificWith(c, "PHASED OUT"); },
     "Windows' Prolific driver refuses this cable's PL2303HXA/XA chip (\"PHASED OUT\"): it has no "
     "COM port",
     "Install Prolific driver 3.3.11.152 (Device Manager > the device > Update driver > Browse my "
     "computer > Let me pick) and keep Windows Update from replacing it, or use a cable with "
     "another chip."},
    {"prolific-ta-windows-11", On::Windows,
     [](const CableFingerprint& c, const CableSystem&) {
         return prolificWith(c, "DO NOT SUPPORT WINDOWS 11");
     },
     "Windows' Prolific driver refuses this cable's PL2303TA/TB chip on Windows 11: it has no COM "
     "port",
     "Install Prolific driver 3.8.36.2 (Device Manager > the device > Update driver > Browse my "
     "computer > Let me pick) and keep Windows Update from replacing it, or use a cable with "
     "another chip."},
    {"prolific-clone", On::Windows,
     [](const CableFingerprint& c, const CableSystem&) {
         return prolificWith(c, "NOT MATCH THE DRIVER") || prolificWith(c, "NOT PROLIFIC");
     },
     "Windows' Prolific driver refuses this cable: its PL2303 is not a genuine one",
     "Use a cable with another chip (CH340, CP210x or FTDI); Prolific driver 3.3.2.102 still runs "
     "some of these."},
    // A counterfeit CH340 calls itself "USB2.0-Ser!"; WCH's drivers from 3.8.2023.02 on refuse
    // its line settings with error 31.
    {"ch340-counterfeit", On::Windows,
     [](const CableFingerprint& c, const CableSystem&) {
         return isVendor(c, 0x1A86) && c.busDescription == "USB2.0-Ser!" &&
                versionAtLeast(c.driverVersion, {3, 8, 2023, 2});
     },
     "This cable's CH340 is a counterfeit (it calls itself \"USB2.0-Ser!\"), which WCH driver "
     "{version} refuses: setting the line fails with error 31",
     "Install WCH driver 3.5.2019.1 (Device Manager > the port > Update driver > Browse my "
     "computer "
     "> Let me pick), or use a cable with another chip."},
    {"no-driver", On::Windows,
     [](const CableFingerprint& c, const CableSystem&) { return c.problemCode == 28u; },
     "No driver is installed for this {chip} cable (code 28): it has no COM port",
     "Install the {chip} driver: Device Manager > Other devices > the device > Update driver > "
     "Search automatically, or the driver from the chip maker's site; then plug the cable in "
     "again."},
    {"ftdi-product-id-zeroed", On::Windows,
     [](const CableFingerprint& c, const CableSystem&) {
         return isVendor(c, 0x0403) && c.productId == 0u;
     },
     "This cable's FTDI chip is a clone whose product id FTDI's driver has overwritten with 0000: "
     "no Windows driver takes it now",
     "Use a cable with another chip."},
    {"latency-timer", On::Windows,
     [](const CableFingerprint& c, const CableSystem&) { return c.latencyMs > 1; },
     "The adapter's latency timer is {latency} ms, which makes an update about 15% slower",
     "Device Manager > Ports (COM & LPT) > {port} > Properties > Port Settings > Advanced > "
     "Latency Timer (msec): 1; then plug the cable in again."},
    {"latency-timer", On::Linux,
     [](const CableFingerprint& c, const CableSystem&) { return c.latencyMs > 1; },
     "The adapter's latency timer stays at {latency} ms although the program asks for low latency, "
     "which makes an update about 15% slower",
     "Run: echo 1 | sudo tee /sys/bus/usb-serial/devices/{tty}/latency_timer"},
    {"com-above-16", On::Windows,
     [](const CableFingerprint& c, const CableSystem&) { return c.comNumber > 16; },
     "The cable is COM{com}; the window's \"COM\" menu reaches COM16 only",
     "Device Manager > Ports (COM & LPT) > {port} > Properties > Port Settings > Advanced > COM "
     "Port Number: pick one from COM1 to COM16."},
    {"port-held", On::Both,
     [](const CableFingerprint& c, const CableSystem&) { return !c.holder.empty(); },
     "{holder} has {port} open", "Close {holder}: the update needs the port to itself."},
    {"not-in-dialout", On::Linux,
     [](const CableFingerprint& c, const CableSystem&) { return c.accessDenied; },
     "You may not open {port}: serial ports are for the members of the group \"dialout\"",
     "Run: sudo usermod -aG dialout $USER (the group is uucp on Arch Linux), then log out and in "
     "again."},
    // brltty's udev rules take some serial chips for braille displays: it claims the device
    // through usbfs and the ttyUSB node comes and goes.
    {"brltty", On::Linux,
     [](const CableFingerprint& c, const CableSystem& s) {
         return c.driver == "usbfs" && runs(s, "brltty");
     },
     "brltty (the braille display service) has taken this {chip} cable for a braille display",
     "Run: sudo apt remove brltty (or keep it and run: sudo systemctl mask brltty-udev.service), "
     "then plug the cable in again."},
    {"no-kernel-driver", On::Linux,
     [](const CableFingerprint& c, const CableSystem&) {
         return !c.chip.empty() && c.driver.empty();
     },
     "No kernel driver serves this {chip} cable: it has no port",
     "Run: sudo modprobe {module}, then plug the cable in again (where the module is missing, "
     "install the kernel's extra modules: sudo apt install linux-modules-extra-$(uname -r))."},
    {"modem-manager", On::Linux,
     [](const CableFingerprint& c, const CableSystem& s) {
         return c.device.starts_with("/dev/ttyACM") && runs(s, "ModemManager");
     },
     "ModemManager probes {port} with modem commands the transceiver does not expect",
     "Run: sudo systemctl stop ModemManager (or give this cable a udev rule that sets "
     "ID_MM_DEVICE_IGNORE to 1)."},
    {"device-problem", On::Windows,
     [](const CableFingerprint& c, const CableSystem&) { return c.problemCode.has_value(); },
     "Windows reports problem code {problem} for this cable (\"{name}\")",
     "Device Manager > the device > Properties says why; uninstall the device there and plug the "
     "cable in again.",
     true},
};

bool appliesOn(On on, const CableSystem& system) {
    return on == On::Both || (on == On::Windows) == system.windows;
}

std::string portOf(const CableFingerprint& cable) {
    if (cable.comNumber && cable.device.empty()) {
        return "COM" + std::to_string(*cable.comNumber);
    }
    return cable.device.empty() ? "the cable" : cable.device;
}

std::string filledIn(std::string_view text, const CableFingerprint& cable) {
    const auto value = [&](std::string_view key) -> std::string {
        if (key == "port")
            return portOf(cable);
        if (key == "com")
            return cable.comNumber ? std::to_string(*cable.comNumber) : "?";
        if (key == "chip")
            return cable.chip.empty() ? "USB serial" : cable.chip;
        if (key == "latency")
            return cable.latencyMs ? std::to_string(*cable.latencyMs) : "?";
        if (key == "holder")
            return cable.holder;
        if (key == "problem")
            return cable.problemCode ? std::to_string(*cable.problemCode) : "?";
        if (key == "name")
            return cable.name;
        if (key == "version")
            return cable.driverVersion;
        if (key == "tty")
            return cable.device.substr(cable.device.rfind('/') + 1);
        if (key == "module") {
            const auto chip = usbSerialChip(cable.vendorId, cable.productId);
            return chip ? std::string(chip->linuxDriver) : "usbserial";
        }
        return "{" + std::string(key) + "}";
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto close = text[i] == '{' ? text.find('}', i) : std::string_view::npos;
        if (close == std::string_view::npos) {
            out += text[i];
            continue;
        }
        out += value(text.substr(i + 1, close - i - 1));
        i = close;
    }
    return out;
}

}  // namespace

std::vector<CableFinding> findingsFor(const CableFingerprint& cable, const CableSystem& system) {
    std::vector<CableFinding> findings;
    for (const CableRule& rule : kRules) {
        if (appliesOn(rule.on, system) && !(rule.whenNoOther && !findings.empty()) &&
            rule.signature(cable, system)) {
            findings.push_back(
                {rule.name, filledIn(rule.finding, cable), filledIn(rule.fix, cable)});
        }
    }
    return findings;
}

std::vector<CableFinding> systemFindings(const std::vector<CableFingerprint>& cables,
                                         const CableSystem& system) {
    const bool anyUsb = std::any_of(cables.begin(), cables.end(), [](const CableFingerprint& c) {
        return c.vendorId.has_value();
    });
    if (anyUsb) {
        return {};
    }
    return {{"no-cable", "No USB serial cable is plugged in",
             system.windows
                 ? "Plug in the programming cable. If it is in, try another USB socket; a cable "
                   "Windows has no driver for shows under Other devices in Device Manager."
                 : "Plug in the programming cable. If it is in, try another USB socket, and see "
                   "what the kernel said of it: sudo dmesg | tail"}};
}

}  // namespace rkt5
