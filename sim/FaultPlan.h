#pragma once

// Decides which faults hit each message: the configured rules by kind and occurrence, plus
// random faults drawn from a seed so that a failing soak run can be replayed exactly.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "sim/SimulatorTypes.h"

namespace rkt5::sim {

// Everything that goes wrong with one message; several rules may hit the same message.
struct MessageFaults {
    bool silent = false;
    std::optional<std::string> reply;
    std::size_t dropEcho = 0;
    std::optional<std::size_t> corruptEchoAt;
    std::optional<std::size_t> corruptReplyAt;
    std::optional<std::size_t> partialReply;
    std::optional<std::size_t> hangUpAfter;
    std::chrono::milliseconds late{0};

    // A message the transceiver never "heard" or answered by a forced reply is not carried out.
    bool carriedOut() const { return !silent && !reply; }
};

class FaultPlan {
  public:
    FaultPlan(std::vector<Fault> rules, double randomRate, std::uint32_t seed,
              std::chrono::milliseconds randomLateDelay);

    // Counts one more message of `kind` and returns the faults for it.
    MessageFaults next(MessageKind kind);

    // True when some message may lose or change its echo: silent, drop-echo, corrupt-echo or
    // random faults.
    bool touchesEcho() const;

  private:
    static constexpr std::size_t kKindCount = static_cast<std::size_t>(MessageKind::Unknown) + 1;

    void drawRandom(MessageFaults& faults);

    std::vector<Fault> rules_;
    std::array<int, kKindCount> seen_{};
    double randomRate_;
    std::chrono::milliseconds randomLateDelay_;
    std::mt19937 random_;
};

}  // namespace rkt5::sim
