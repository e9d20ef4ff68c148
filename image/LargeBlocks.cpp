#include "image/LargeBlocks.h"

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

// Under AddressSanitizer every piece is its own allocation, so overruns between pieces are seen.
#if defined(__SANITIZE_ADDRESS__)
#define RKT5_SEPARATE_PIECES 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RKT5_SEPARATE_PIECES 1
#endif
#endif

namespace rkt5 {

#if defined(__linux__) && !defined(RKT5_SEPARATE_PIECES)

namespace {

constexpr std::size_t kBlock = std::size_t{2} << 20;  // one huge page
constexpr std::size_t kAlign = 64;
constexpr std::size_t kHeader = kAlign;  // the block's count of live pieces sits at its start

struct BlockHeader {
    std::size_t live = 0;
};

constexpr std::size_t roundUp(std::size_t bytes) {
    return (bytes + kAlign - 1) & ~(kAlign - 1);
}

std::mutex blockMutex;
char* currentBlock = nullptr;  // where new pieces are carved; null when there is none
std::size_t currentUsed = 0;

BlockHeader* headerOf(void* inBlock) {
    const auto at = reinterpret_cast<std::uintptr_t>(inBlock) & ~(std::uintptr_t{kBlock} - 1);
    return reinterpret_cast<BlockHeader*>(at);
}

}  // namespace

void* allocateLarge(std::size_t bytes) {
    bytes = roundUp(bytes);
    if (bytes > kBlock - kHeader) {
        void* own = std::aligned_alloc(kAlign, bytes);
        if (own == nullptr)
            throw std::bad_alloc();
        return own;
    }
    const std::lock_guard<std::mutex> lock(blockMutex);
    if (currentBlock == nullptr || currentUsed + bytes > kBlock) {
        void* block = std::aligned_alloc(kBlock, kBlock);
        if (block == nullptr)
            throw std::bad_alloc();
        ::madvise(block, kBlock, MADV_HUGEPAGE);  // a hint; without it the block still works
        // The full block stays until its last piece goes; freeLarge can tell it is not current.
        currentBlock = static_cast<char*>(block);
        new (currentBlock) BlockHeader;
        currentUsed = kHeader;
    }
    void* piece = currentBlock + currentUsed;
    currentUsed += bytes;
    ++headerOf(piece)->live;
    return piece;
}

void freeLarge(void* piece, std::size_t bytes) noexcept {
    if (piece == nullptr)
        return;
    if (roundUp(bytes) > kBlock - kHeader) {
        std::free(piece);
        return;
    }
    const std::lock_guard<std::mutex> lock(blockMutex);
    BlockHeader* header = headerOf(piece);
    if (--header->live > 0)
        return;
    if (reinterpret_cast<char*>(header) == currentBlock)
        currentBlock = nullptr;
    header->~BlockHeader();
    std::free(header);
}

#else

void* allocateLarge(std::size_t bytes) {
    return ::operator new (bytes, std::align_val_t{64});
}

void freeLarge(void* piece, std::size_t /*bytes*/) noexcept {
    ::operator delete (piece, std::align_val_t{64});
}

#endif

}  // namespace rkt5
