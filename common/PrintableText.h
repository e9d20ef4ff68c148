#pragma once

#include <string>
#include <string_view>

namespace rkt5 {

// What a terminal or a message box shows as itself.
constexpr bool isPrintableAscii(unsigned char byte) {
    return byte >= 0x20 && byte < 0x7F;
}

// Bytes as a person reads them: printable ASCII as it is (a backslash or a double quote behind a
// backslash, so the text can stand in quotes), CR and LF as \r and \n, anything else as \xHH.
inline std::string printableText(std::string_view bytes) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\r') {
            text += "\\r";
        } else if (byte == '\n') {
            text += "\\n";
        } else if (byte == '\\' || byte == '"') {
            text += '\\';
            text += c;
        } else if (isPrintableAscii(byte)) {
            text += c;
        } else {
            text += "\\x";
            text += kHexDigits[byte >> 4];
            text += kHexDigits[byte & 0x0F];
        }
    }
    return text;
}

}  // namespace rkt5
