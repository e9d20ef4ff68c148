// rkt5-flash ports: the serial ports the system has, the COM number each gets, and whether it
// can be opened now.

#include <algorithm>
#include <cstdio>
#include <iomanip>
#include <ostream>
#include <set>

#include "cli/Command.h"
#include "cli/CommandApplication.h"
#include "cli/CommandParser.h"
#include "common/RunTimeError.h"
#include "link/PortNames.h"
#include "link/SpeedOptions.h"
#include "link/SystemPorts.h"

namespace rkt5::cli {

namespace {

constexpr std::string_view kUsage =
    "usage: rkt5-flash ports [COMn=DEVICE]...\n"
    "\n"
    "Lists the serial ports the system has, each with the COM number that --port COMn and the\n"
    "window's \"COM port\" menu give it (USB adapters first), what the system says of it (USB\n"
    "ids, maker, serial number), and whether it opens now and takes the update's line settings\n"
    "(57600,n,8,1), or why not. Bindings as --port COMn=DEVICE gives them are shown as they\n"
    "would apply. Exit 0, 2 on usage errors.\n";

std::string hex4(unsigned id) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", id & 0xFFFFu);
    return text;
}

std::string about(const SystemPort* port) {
    if (port == nullptr) {
        return "bound";
    }
    std::string text = port->description;
    const auto add = [&text](const std::string& part) {
        if (!part.empty()) {
            text += (text.empty() ? "" : ", ") + part;
        }
    };
    add(port->manufacturer);
    if (port->vendorId && port->productId) {
        add("USB " + hex4(*port->vendorId) + ":" + hex4(*port->productId));
    }
    if (!port->serialNumber.empty()) {
        add("serial " + port->serialNumber);
    }
    return text;
}

const SystemPort* described(const std::vector<SystemPort>& system, const std::string& device) {
    const auto found = std::find_if(system.begin(), system.end(),
                                    [&](const SystemPort& p) { return p.device == device; });
    return found == system.end() ? nullptr : &*found;
}

// Opens the port for a moment with the update's line settings, as the update would: a port that
// opens but refuses them fails the update all the same.
std::string openState(const std::string& device) {
    const std::optional<std::string> failure =
        whyItWillNotOpen(device, SpeedOptions::settingsFor(SpeedOptions::kDefault));
    return failure.value_or("can be opened");
}

struct Row {
    std::string com, device;
};

// The bindings given as arguments; nothing when they are all good, else the exit code.
std::optional<int> readBindings(std::span<const std::string_view> argv, const CommandIo& io,
                                PortNames& names, std::set<int>& bound) {
    CommandParser args("ports", kUsage);
    args.addPositional("COMn=DEVICE", "show COMn as the device DEVICE", false,
                       PortNames::kLastNumber);
    if (const auto exitCode = args.parse(argv, io)) {
        return exitCode;
    }
    try {
        for (const std::string& binding : args.positional()) {
            names.addBinding(binding);
            bound.insert(*PortNames::parseComName(binding.substr(0, binding.find('='))));
        }
    } catch (const RunTimeError& bad) {
        io.err << "rkt5-flash ports: " << bad.what() << "\n";
        return kExitUsage;
    }
    return std::nullopt;
}

// One row per COM number that is bound or stands for a port the system has, then the ports
// beyond the menu's numbers or moved by a binding.
std::vector<Row> portRows(const PortNames& names, const std::set<int>& bound,
                          const std::vector<SystemPort>& system) {
    std::vector<Row> rows;
    std::set<std::string> numbered;
    for (int number = PortNames::kFirstNumber; number <= PortNames::kLastNumber; ++number) {
        const std::string device = names.deviceFor(number);
        if (bound.contains(number) || described(system, device) != nullptr) {
            rows.push_back({"COM" + std::to_string(number), device});
            numbered.insert(device);
        }
    }
    for (const SystemPort& port : system) {
        if (!numbered.contains(port.device)) {
            rows.push_back({"-", port.device});
        }
    }
    return rows;
}

void printRows(const std::vector<Row>& rows, const std::vector<SystemPort>& system,
               std::ostream& out) {
    std::size_t width = 0;
    for (const Row& row : rows) {
        width = std::max(width, row.device.size());
    }
    for (const Row& row : rows) {
        out << std::left << std::setw(6) << row.com << std::setw(static_cast<int>(width) + 2)
            << row.device << openState(row.device) << "\n";
        if (const std::string text = about(described(system, row.device)); !text.empty()) {
            out << std::string(width + 8, ' ') << text << "\n";
        }
    }
}

int runPorts(std::span<const std::string_view> argv, const CommandIo& io) {
    PortNames names;
    std::set<int> bound;
    if (const auto exitCode = readBindings(argv, io, names, bound)) {
        return *exitCode;
    }
    const CommandApplication application;
    const std::vector<SystemPort> system = describeSystemPorts();
    names.setListedPorts(devicesOf(system));
    const std::vector<Row> rows = portRows(names, bound, system);
    if (rows.empty()) {
        io.out << "No serial ports found. Plug in the adapter, or bind a device: rkt5-flash ports "
                  "COM1=/dev/ttyUSB0\n";
        return kExitOk;
    }
    printRows(rows, system, io.out);
    return kExitOk;
}

constexpr Command kCommands[] = {
    {"ports", "list the serial ports and the COM number each gets", kUsage, runPorts},
};

}  // namespace

std::span<const Command> portCommands() {
    return kCommands;
}

}  // namespace rkt5::cli
