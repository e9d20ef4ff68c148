// rkt5-flash ports: the serial ports and cables the system has, the COM number each port gets,
// whether it can be opened now, and what the cable doctor finds in each cable.

#include <algorithm>
#include <map>
#include <set>

#include "cli/Command.h"
#include "cli/CommandApplication.h"
#include "cli/CommandParser.h"
#include "cli/PortReport.h"
#include "common/RunTimeError.h"
#include "link/SpeedOptions.h"
#include "serial/PortNames.h"
#include "serial/SystemPorts.h"

namespace rkt5::cli {

namespace {

constexpr std::string_view kUsage =
    "usage: rkt5-flash ports [--json] [COMn=DEVICE]...\n"
    "\n"
    "Lists the serial ports and USB serial cables the system has, each port with the COM number\n"
    "that --port COMn and the window's \"COM port\" menu give it (USB adapters first), what the\n"
    "system says of it (chip, USB ids, serial number, where it is plugged in, driver, latency\n"
    "timer), and whether it opens now and takes the update's line settings (57600,n,8,1), or why\n"
    "not. Cables with no port (no driver, or one that refuses them) are listed too. Under a "
    "cable,\n"
    "\"!\" names a known fault of the cable or its driver, with the fix on the line below.\n"
    "Bindings as --port COMn=DEVICE gives them are shown as they would apply. --json prints the\n"
    "same as JSON. Exit 0, 2 on usage errors.\n";

// Opens the port for a moment with the update's line settings, as the update would: a port that
// opens but refuses them fails the update all the same.
std::string openState(const std::string& device) {
    const std::optional<std::string> failure =
        whyItWillNotOpen(device, SpeedOptions::settingsFor(SpeedOptions::kDefault));
    return failure.value_or("can be opened");
}

// The bindings given as arguments; nothing when they are all good, else the exit code.
std::optional<int> readArguments(std::span<const std::string_view> argv, const CommandIo& io,
                                 PortNames& names, std::set<int>& bound, bool& json) {
    CommandParser args("ports", kUsage);
    args.addOption({"json", "print the ports and cables as JSON"});
    args.addPositional("COMn=DEVICE", "show COMn as the device DEVICE", false,
                       PortNames::kLastNumber);
    if (const auto exitCode = args.parse(argv, io)) {
        return exitCode;
    }
    json = args.isSet("json");
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

int runPorts(std::span<const std::string_view> argv, const CommandIo& io) {
    PortNames names;
    std::set<int> bound;
    bool json = false;
    if (const auto exitCode = readArguments(argv, io, names, bound, json)) {
        return *exitCode;
    }
    const CommandApplication application;
    names.setListedPorts(describeSystemPorts());
    // Each port is opened once, as the update opens it, before its cable is read for the report:
    // the latency timer then reads what the program's own request for low latency left.
    std::map<std::string, std::string> opened;
    for (const PortReportRow& row : portReportRows(names, bound, surveyCables(names), openState)) {
        opened.emplace(row.device, row.openState);
    }
    const CableSurvey survey = surveyCables(names);
    const std::vector<PortReportRow> rows =
        portReportRows(names, bound, survey, [&](const std::string& device) {
            const auto found = opened.find(device);
            return found != opened.end() ? found->second : openState(device);
        });
    if (json) {
        io.out << portReportJson(rows, survey.findings);
        return kExitOk;
    }
    if (rows.empty()) {
        io.out << "No serial ports found. Plug in the adapter, or bind a device: rkt5-flash ports "
                  "COM1=/dev/ttyUSB0\n";
    }
    printPortReport(rows, survey.findings, io.out);
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
