// The shared memory blocks behind the image storage and the firmware table: pieces never overlap,
// survive the freeing of their neighbours, and hold what was written to them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "image/LargeBlocks.h"

namespace rkt5 {
namespace {

struct Piece {
    unsigned char* at;
    std::size_t bytes;
    unsigned char fill;
};

Piece take(std::size_t bytes, unsigned char fill) {
    auto* at = static_cast<unsigned char*>(allocateLarge(bytes));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(at) % 64, 0u);
    std::memset(at, fill, bytes);
    return {at, bytes, fill};
}

bool intact(const Piece& p) {
    return std::all_of(p.at, p.at + p.bytes, [&](unsigned char c) { return c == p.fill; });
}

TEST(LargeBlocks, PiecesKeepTheirContentsWhileOthersComeAndGo) {
    // Sizes of an image's storage, a firmware table, odd sizes and one beyond a block.
    const std::vector<std::size_t> sizes{589'824 + 16'384, 144'008, 1, 63, 65, 1'500'000, 3 << 20};
    std::vector<Piece> pieces;
    unsigned char fill = 1;
    for (int round = 0; round < 3; ++round) {
        for (const std::size_t bytes : sizes)
            pieces.push_back(take(bytes, fill++));
        // Free every other piece, oldest first, then check the rest were not disturbed.
        for (std::size_t i = 0; i < pieces.size(); i += 2)
            freeLarge(pieces[i].at, pieces[i].bytes);
        std::vector<Piece> kept;
        for (std::size_t i = 1; i < pieces.size(); i += 2)
            kept.push_back(pieces[i]);
        pieces = kept;
        for (const Piece& p : pieces)
            EXPECT_TRUE(intact(p)) << p.bytes << " bytes";
    }
    for (const Piece& p : pieces)
        freeLarge(p.at, p.bytes);
}

TEST(LargeBlocks, ThreadsTakeSeparatePieces) {
    std::vector<std::thread> threads;
    std::vector<int> good(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &good] {
            for (int i = 0; i < 50; ++i) {
                const Piece p = take(200'000, static_cast<unsigned char>(t + 1));
                std::this_thread::yield();
                good[static_cast<std::size_t>(t)] += intact(p) ? 1 : 0;
                freeLarge(p.at, p.bytes);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(good, std::vector<int>(4, 50));
}

}  // namespace
}  // namespace rkt5
