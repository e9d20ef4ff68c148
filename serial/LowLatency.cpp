#include "serial/LowLatency.h"

#ifdef __linux__
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace rkt5 {

void requestLowLatency([[maybe_unused]] qintptr handle) {
#ifdef __linux__
    const int fd = static_cast<int>(handle);
    serial_struct serial{};
    if (fd < 0 || ioctl(fd, TIOCGSERIAL, &serial) != 0 || (serial.flags & ASYNC_LOW_LATENCY)) {
        return;
    }
    serial.flags |= ASYNC_LOW_LATENCY;
    ioctl(fd, TIOCSSERIAL, &serial);
#endif
}

}  // namespace rkt5
