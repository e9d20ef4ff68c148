#pragma once

// The rkt5-sim command line, turned into simulator options.

#include <string>
#include <vector>

#include "sim/SimulatorTypes.h"

namespace rkt5::sim {

struct CommandLine {
    SimulatorOptions options;
    std::string flashInPath;  // read by the program, so a bad file is reported like a bad option
    bool help = false;        // --help: show usageText() and do nothing else
    bool version = false;     // --version
};

// Reads the arguments after the program's name with Qt's parser. Throws std::invalid_argument
// with a message that names the wrong argument.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The help text: what the simulator is, its options as the parser lists them, and the fault
// syntax and replies below them.
std::string usageText();

}  // namespace rkt5::sim
