#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "station/Station.h"

namespace rkt5::bench {

// Starts the update of every port at `station` at once, as "Start all" does, and runs an event loop
// until the last unit has ended: how each ended, by device. Past `limit` the station is stopped,
// and its units end at their next send. A unit that would not start is missing.
std::map<std::string, UnitResult> updateAllAtOnce(Station& station,
                                                  const std::vector<StationPort>& ports,
                                                  std::chrono::milliseconds limit);

}  // namespace rkt5::bench
