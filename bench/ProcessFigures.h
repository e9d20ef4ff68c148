#pragma once

// What this process holds at a moment, as the kernel shows it under /proc/self: the figures a soak
// reads after its first run and at its end, where any growth would be a leak.

namespace rkt5::bench {

long threadCount();
long openDescriptors();
double residentMegabytes();

}  // namespace rkt5::bench
