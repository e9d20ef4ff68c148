#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "ui/WindowCommandLine.h"

namespace rkt5 {

// What rkt5-station is told beyond the ports: the line speed, the reply time-out, and where the
// record and the logs go.
struct StationOptions {
    int speedIndex = 2;  // the speed option: 0 9600, 1 38400, 2 57600
    std::chrono::milliseconds timeout{5000};
    std::string recordPath;
    std::string logFolder;
};

// Gives the command line --baud, --timeout-ms, --record and --log.
void addStationOptions(WindowCommandLine& line);

// Reads them after WindowCommandLine::read(): the options, or nothing after saying on standard
// error which value is wrong.
std::optional<StationOptions> readStationOptions(const WindowCommandLine& line);

}  // namespace rkt5
