#pragma once

#include <charconv>
#include <optional>
#include <string_view>

namespace rkt5 {

// The whole number a text is, all of it: "12", "-3"; not "", " 12", "12ms" or "1.5".
inline std::optional<long long> wholeNumber(std::string_view text) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace rkt5
