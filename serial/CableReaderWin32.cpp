#include "serial/CableReader.h"
#include "serial/Win32Cables.h"
#include "serial/Win32Devices.h"

namespace rkt5 {

std::vector<CableFingerprint> readCables() {
    return fingerprintsOf(Win32Devices::system().present());
}

// The programs that take ports are looked for on Linux only; on Windows one that holds a port
// shows when the port is opened.
CableSystem readCableSystem() {
    return {.windows = true};
}

}  // namespace rkt5
