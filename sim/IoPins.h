#pragma once

// The transceiver's test pins behind the "ZR~P" command: each pin is an output driven low or
// high, or an input. A pin made an input reads the level it last had (low at start).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rkt5::sim {

class IoPins {
  public:
    static constexpr int kPinCount = 32;  // pins "00" to "31"

    IoPins() { pins_.fill(State::InputLow); }

    // Runs the text between "ZR~P" and CR: two decimal digits of pin number, then the function
    // digit (0 drive low, 1 drive high, 2 make input, 3 read). Returns the two answer letters:
    // "OK", a state "00" to "03" for a read, or "NG" for a bad pin or function.
    std::string run(std::string_view pinAndFunction);

  private:
    enum class State : std::uint8_t { OutputLow, OutputHigh, InputLow, InputHigh };
    std::array<State, kPinCount> pins_{};
};

}  // namespace rkt5::sim
