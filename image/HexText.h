#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Lenient hexadecimal reading as the firmware texts and the address boxes need it: a field is read
// up to its first character that is not a hexadecimal digit, and an empty field reads as 0.
namespace rkt5::hextext {

inline constexpr std::array<std::int8_t, 256> kDigitValues = [] {
    std::array<std::int8_t, 256> t{};
    t.fill(-1);
    for (int c = '0'; c <= '9'; ++c)
        t[c] = static_cast<std::int8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c)
        t[c] = static_cast<std::int8_t>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c)
        t[c] = static_cast<std::int8_t>(c - 'a' + 10);
    return t;
}();

// Value of one hexadecimal digit, or -1.
inline int digitValue(char c) {
    return kDigitValues[static_cast<unsigned char>(c)];
}

// The characters at 1-based positions [pos, pos + count) of a line, clipped to its end: positions
// past the end are simply absent.
inline std::string_view mid(std::string_view line, std::size_t pos, std::size_t count) {
    if (pos == 0 || pos > line.size())
        return {};
    return line.substr(pos - 1, count);
}

// Leading hexadecimal digits of a field as a number. Loader fields are at most 8 digits, so the
// value cannot overflow.
inline std::uint64_t readLenient(std::string_view field) {
    std::uint64_t value = 0;
    for (char c : field) {
        const int d = digitValue(c);
        if (d < 0)
            break;
        value = value * 16 + static_cast<unsigned>(d);
    }
    return value;
}

// One byte from the two characters at 1-based position pos: a lone digit reads as its own value,
// a position past the end of the line as 0.
inline int readByteAt(std::string_view line, std::size_t pos) {
    const std::size_t i = pos - 1;
    if (i >= line.size())
        return 0;
    const int hi = digitValue(line[i]);
    if (hi < 0)
        return 0;
    if (i + 1 >= line.size())
        return hi;
    const int lo = digitValue(line[i + 1]);
    return lo < 0 ? hi : hi * 16 + lo;
}

// Upper-case hexadecimal with at least `minDigits` digits, zeros in front ("0" for 0).
inline std::string toUpperHex(std::uint64_t value, std::size_t minDigits = 1) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0 || text.size() < minDigits);
    return text;
}

}  // namespace rkt5::hextext
