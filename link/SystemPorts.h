#pragma once

#include <string>
#include <vector>

namespace rkt5 {

// The serial ports the system lists now, by the device paths that open them.
std::vector<std::string> systemSerialPorts();

}  // namespace rkt5
