#include "flash/WhatItLeaves.h"

#include <array>
#include <utility>

namespace rkt5 {

std::string_view whatItLeaves(const Outcome& outcome) {
    if (outcome.succeeded) {
        return {};
    }
    // By the failed step's message, which every sequence ends with.
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kByStep{{
        {"Connect failed.", "not erased; it may wait in flash mode: run the update again"},
        {"Erase failed.", "in flash mode, partly erased: run the update again"},
        {"Write failed.", "in flash mode, partly written: run the update again"},
        {"Disconnect failed.", "written, but still in flash mode: run the update again"},
    }};
    for (const auto& [message, leaves] : kByStep) {
        if (outcome.message.text == message) {
            return leaves;
        }
    }
    // The model check, or a port that never opened.
    return "the transceiver was not changed";
}

std::string reasonAndWhatItLeaves(const Outcome& outcome) {
    const std::string_view leaves = whatItLeaves(outcome);
    return outcome.reason.empty() ? std::string(leaves)
                                  : outcome.reason + "; " + std::string(leaves);
}

}  // namespace rkt5
