#pragma once

// The cable doctor's rules: a cable's fingerprint in, what is wrong with it and how the operator
// puts it right out. A rule fires on its signature alone; nothing is guessed.

#include <string>
#include <string_view>
#include <vector>

#include "serial/CableFingerprint.h"

namespace rkt5 {

struct CableFinding {
    std::string_view rule;  // a short name that stays the same ("ftdi-latency"), for scripts
    std::string finding;    // what is wrong, in the operator's words
    std::string fix;        // one thing to do about it
};

// What the rules find in one cable.
std::vector<CableFinding> findingsFor(const CableFingerprint& cable, const CableSystem& system);

// What the rules find in the system as a whole: no cable plugged in at all.
std::vector<CableFinding> systemFindings(const std::vector<CableFingerprint>& cables,
                                         const CableSystem& system);

}  // namespace rkt5
