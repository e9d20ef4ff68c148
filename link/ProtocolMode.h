#pragma once

#include <optional>

namespace rkt5 {

// The three variants of the transceiver's protocol. Modes 0 and 1 carry commands and rows in
// 20-byte frames (mode 1 behind "CL~"); mode 2, the one "Start" uses, sends 1032-byte flash
// packets. Operators and the engineering panel know them by their numbers.
enum class ProtocolMode : int { Mode0 = 0, Mode1 = 1, Mode2 = 2 };

constexpr int modeNumber(ProtocolMode mode) {
    return static_cast<int>(mode);
}

// The mode a person or a button index names, if there is one.
constexpr std::optional<ProtocolMode> protocolMode(int number) {
    if (number < 0 || number > 2) {
        return std::nullopt;
    }
    return static_cast<ProtocolMode>(number);
}

constexpr bool sendsFrames(ProtocolMode mode) {
    return mode != ProtocolMode::Mode2;
}

}  // namespace rkt5
