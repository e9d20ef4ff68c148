#pragma once

// The simulated transceiver the link's tests talk to, through the system's own serial port: in
// the test's process behind a pseudo-terminal on POSIX; under wine, the Linux simulator in a
// process of its own behind a COM port.

#ifdef _WIN32
#include "tests/link/SimProcess.h"
#else
#include "sim/PtyTransceiver.h"
#endif

namespace rkt5::test {

#ifdef _WIN32
using SimulatedTransceiver = SimProcess;
inline constexpr const char* kMissingPort = "\\\\.\\COM299";
#else
using SimulatedTransceiver = sim::PtyTransceiver;
inline constexpr const char* kMissingPort = "/dev/rkt5-no-such-port";
#endif

}  // namespace rkt5::test
