#pragma once

#include <string>

namespace rkt5 {

enum class Parity { None, Even, Odd, Mark, Space };

// The line settings of the serial port: speed, parity, data bits, stop bits.
struct LineSettings {
    int baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    int stopBits = 1;

    // As people write them, "57600,n,8,1": for the log and the messages.
    std::string text() const;

    bool operator==(const LineSettings&) const = default;
};

}  // namespace rkt5
