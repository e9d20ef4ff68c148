#pragma once

// The rkt5-sim command line, turned into simulator options.

#include <string>
#include <vector>

#include "sim/SimulatorTypes.h"

namespace rkt5::sim {

// A --fault given as UNIT/FAULT: only that transceiver of the bench gets it.
struct AimedFault {
    int unit = 1;  // from 1
    Fault fault;
};

struct CommandLine {
    SimulatorOptions options;             // shared by every unit; unitOptions() makes one unit's
    int count = 1;                        // --count: how many transceivers are served at once
    std::vector<AimedFault> aimedFaults;  // --fault UNIT/FAULT, in the order given
    std::string flashInPath;  // read by the program, so a bad file is reported like a bad option
    bool help = false;        // --help: show usageText() and do nothing else
    bool version = false;     // --version
};

// Reads the arguments after the program's name with Qt's parser. Throws std::invalid_argument
// with a message that names the wrong argument.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The options of unit `unit` (from 1) of `line.count`: the shared faults, then those aimed at
// the unit (which win where both set the same thing); the random faults seeded with
// seed + unit - 1 so the units do not fail in step; with more than one unit, the link, the
// flash-out file and the message log named with "-UNIT" before the extension: /tmp/rk-2,
// out/flash-2.bin.
SimulatorOptions unitOptions(const CommandLine& line, int unit);

// The help text: what the simulator is, its options as the parser lists them, and the fault
// syntax and replies below them.
std::string usageText();

}  // namespace rkt5::sim
