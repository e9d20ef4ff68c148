#pragma once

#include <cstdio>
#include <cstdlib>

namespace rkt5::fuzz {

// A broken invariant ends the run as a crash does, so that libFuzzer keeps the input that shows
// it. Not assert(): the fuzz build defines NDEBUG.
inline void require(bool holds, const char* invariant) {
    if (!holds) {
        std::fprintf(stderr, "invariant broken: %s\n", invariant);
        std::abort();
    }
}

}  // namespace rkt5::fuzz
