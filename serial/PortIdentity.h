#pragma once

#include <string>

namespace rkt5 {

// A port as it was chosen (from the "COM" menu, a command line or a station's listing), resolved
// once: what it is called and what opening it opens. The link opens exactly this.
struct PortIdentity {
    int number = 0;           // the COM number it is chosen by; 0 for a port known only by path
    std::string device;       // what opening it opens; empty for a number that stands for none
    std::string displayName;  // the port as the user knows it, for messages and the log

    bool operator==(const PortIdentity&) const = default;
};

}  // namespace rkt5
