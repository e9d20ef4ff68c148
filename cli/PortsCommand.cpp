// rkt5-flash ports: the serial ports the system has, the COM number each gets, and whether it
// can be opened now.

#include <QSerialPort>
#include <algorithm>
#include <cstdio>
#include <iomanip>
#include <ostream>
#include <set>

#include "cli/ArgParser.h"
#include "cli/Command.h"
#include "cli/CommandApplication.h"
#include "common/RunTimeError.h"
#include "link/OpenFailure.h"
#include "link/PortNames.h"
#include "link/SystemPorts.h"

namespace rkt5::cli {

namespace {

constexpr std::string_view kUsage =
    "usage: rkt5-flash ports [COMn=DEVICE]...\n"
    "\n"
    "Lists the serial ports the system has, each with the COM number that --port COMn and the\n"
    "window's \"COM port\" menu give it (USB adapters first), what the system says of it (USB\n"
    "ids, maker, serial number), and whether it can be opened now or why not. Bindings as\n"
    "--port COMn=DEVICE gives them are shown as they would apply. Exit 0, 2 on usage errors.\n";

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

// Opens the port for a moment, as an operation would.
std::string openState(const std::string& device) {
    QSerialPort port(QString::fromStdString(device));
    if (!port.open(QIODevice::ReadWrite)) {
        return "cannot open: " + openFailureReason(port, device);
    }
    port.close();
    return "can be opened";
}

int runPorts(std::span<const std::string_view> argv, const CommandIo& io) {
    const std::vector<std::string_view> bindingNames(PortNames::kLastNumber, "COMn=DEVICE");
    ArgParser args({}, bindingNames, 0);
    if (!args.parse(argv)) {
        io.err << "rkt5-flash ports: " << args.error() << "\n" << kUsage;
        return kExitUsage;
    }
    if (args.helpRequested()) {
        io.out << kUsage;
        return kExitOk;
    }
    PortNames names;
    std::set<int> bound;
    try {
        for (const std::string& binding : args.positional()) {
            names.addBinding(binding);
            bound.insert(*PortNames::parseComName(binding.substr(0, binding.find('='))));
        }
    } catch (const RunTimeError& bad) {
        io.err << "rkt5-flash ports: " << bad.what() << "\n";
        return kExitUsage;
    }

    const CommandApplication application;
    const std::vector<SystemPort> system = describeSystemPorts();
    names.setListedPorts(devicesOf(system));
    const auto described = [&system](const std::string& device) -> const SystemPort* {
        const auto found = std::find_if(system.begin(), system.end(),
                                        [&](const SystemPort& p) { return p.device == device; });
        return found == system.end() ? nullptr : &*found;
    };

    struct Row {
        std::string com, device;
    };
    std::vector<Row> rows;
    std::set<std::string> numbered;
    for (int number = PortNames::kFirstNumber; number <= PortNames::kLastNumber; ++number) {
        const std::string device = names.deviceFor(number);
        if (bound.contains(number) || described(device) != nullptr) {
            rows.push_back({"COM" + std::to_string(number), device});
            numbered.insert(device);
        }
    }
    for (const SystemPort& port : system) {  // beyond the menu's numbers, or moved by a binding
        if (!numbered.contains(port.device)) {
            rows.push_back({"-", port.device});
        }
    }
    if (rows.empty()) {
        io.out << "No serial ports found. Plug in the adapter, or bind a device: rkt5-flash ports "
                  "COM1=/dev/ttyUSB0\n";
        return kExitOk;
    }
    std::size_t width = 0;
    for (const Row& row : rows) {
        width = std::max(width, row.device.size());
    }
    for (const Row& row : rows) {
        io.out << std::left << std::setw(6) << row.com << std::setw(static_cast<int>(width) + 2)
               << row.device << openState(row.device) << "\n";
        if (const std::string text = about(described(row.device)); !text.empty()) {
            io.out << std::string(width + 8, ' ') << text << "\n";
        }
    }
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
