#pragma once

// What this process holds at a moment, as the kernel and the allocator show it: the figures a soak
// reads after its first run and at its end, where any growth would be a leak.

namespace rkt5::bench {

long threadCount();
long openDescriptors();
double residentMegabytes();

// The heap's bytes in use, in every arena of the allocator.
double heapInUseMegabytes();
// Gives the allocator's free pages back to the system. Each thread that comes and goes may leave
// its arena holding the peak of what it used; that is no leak, and it would move the resident
// memory by megabytes from one reading to the next.
void releaseFreeHeap();

}  // namespace rkt5::bench
