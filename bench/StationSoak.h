#pragma once

namespace rkt5::bench {

// `runs` runs of `units` simulated transceivers updated at once through one station, as a station
// left open all day would run them, each unit with a fault drawn from the run's and its own
// number (see UnitFault.h). Prints how the units ended against the messages their faults call
// for, the record's rows, and the process's threads, descriptors and memory after the first run
// and at the end. Returns the exit code: 1 on any mismatch or growth, else 0. Needs a
// QCoreApplication.
int stationSoak(int units, int runs);

}  // namespace rkt5::bench
