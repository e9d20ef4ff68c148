#pragma once

#include <string>
#include <utility>

namespace rkt5 {

// The one message box an operation ends with: the window shows it, the terminal flasher prints it.
struct Message {
    // Message box styles: the icon shown beside the text.
    static constexpr int kPlain = 0;        // no icon
    static constexpr int kCritical = 16;    // stop sign
    static constexpr int kExclamation = 48; // warning triangle

    std::string text;
    std::string title;
    int style = kPlain;

    static Message ok(std::string text) { return {std::move(text), "OK", kPlain}; }
    static Message ng(std::string text) { return {std::move(text), "NG", kExclamation}; }

    bool operator==(const Message&) const = default;
};

}  // namespace rkt5
