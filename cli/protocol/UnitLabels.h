#pragma once

#include <string>
#include <vector>

#include "station/StationPort.h"

namespace rkt5::cli {

// The label of each of `ports`' transceivers (empty where none was given), from the --unit
// arguments: "PORT=LABEL", where PORT is COMn or the port's device, or a bare LABEL when there
// is one port. Throws RunTimeError naming the argument that fits no port, or a port labelled
// twice.
std::vector<std::string> unitLabels(const std::vector<StationPort>& ports,
                                    const std::vector<std::string>& arguments);

}  // namespace rkt5::cli
