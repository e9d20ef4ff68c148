#include "sim/IoPins.h"

namespace rkt5::sim {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string IoPins::run(std::string_view pinAndFunction) {
    if (pinAndFunction.size() != 3 || !isDigit(pinAndFunction[0]) || !isDigit(pinAndFunction[1])) {
        return "NG";
    }
    const int pin = (pinAndFunction[0] - '0') * 10 + (pinAndFunction[1] - '0');
    if (pin >= kPinCount) {
        return "NG";
    }
    State& state = pins_[static_cast<std::size_t>(pin)];
    const bool high = state == State::OutputHigh || state == State::InputHigh;
    switch (pinAndFunction[2]) {
        case '0':
            state = State::OutputLow;
            return "OK";
        case '1':
            state = State::OutputHigh;
            return "OK";
        case '2':
            state = high ? State::InputHigh : State::InputLow;
            return "OK";
        case '3':
            return std::string{"0"} + static_cast<char>('0' + static_cast<int>(state));
        default:
            return "NG";
    }
}

}  // namespace rkt5::sim
