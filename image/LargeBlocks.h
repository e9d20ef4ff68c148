#pragma once

#include <cstddef>

namespace rkt5 {

// Memory for the large objects of a start-up: the image storage and the firmware table. On Linux
// the pieces are carved from shared 2 MB blocks that the kernel may back with one huge page each,
// so an image and its table cost one page fault together instead of ~175: fresh pages are the main
// cost of a short run, on a virtual machine above all. Pieces are 64-byte aligned and left
// uninitialised; a block goes back to the system when its last piece does. Thread-safe.
void* allocateLarge(std::size_t bytes);                   // throws std::bad_alloc
void freeLarge(void* piece, std::size_t bytes) noexcept;  // bytes as given to allocateLarge

}  // namespace rkt5
