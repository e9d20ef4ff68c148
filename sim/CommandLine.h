#pragma once

// The rkt5-sim command line, turned into simulator options.

#include <string>
#include <vector>

#include "sim/SimulatorTypes.h"

namespace rkt5::sim {

struct CommandLine {
    SimulatorOptions options;
    std::string flashInPath;  // read by the program, so a bad file is reported like a bad option
    bool help = false;
};

// Throws std::invalid_argument with a message that names the wrong argument.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

std::string usageText();

}  // namespace rkt5::sim
