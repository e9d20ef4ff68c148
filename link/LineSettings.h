#pragma once

#include <string>
#include <string_view>

namespace rkt5 {

// A line settings string such as "57600,n,8,1": speed, parity letter, data bits, stop bits.
struct LineSettings {
    int baud = 9600;
    char parity = 'n';  // n, e, o, m or s
    int dataBits = 8;
    int stopBits = 1;

    // Reads the four comma-separated fields exactly; anything else is a RunTimeError naming the
    // string, so a typo never reaches the port as some default.
    static LineSettings parse(std::string_view text);
    std::string text() const;

    bool operator==(const LineSettings&) const = default;
};

}  // namespace rkt5
