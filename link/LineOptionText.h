#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace rkt5 {

// The line options as a user types them (--baud, --timeout-ms), read the same way by every
// program. Each gives the value, or nothing with `error` saying what is wrong in words for the
// user.

// "9600", "38400" or "57600": the index of that speed option.
std::optional<int> speedOptionOf(const std::string& text, std::string& error);

// Whole milliseconds from 1 to kMaxReplyTimeout: how long to wait for each answer.
std::optional<std::chrono::milliseconds> replyTimeoutOf(const std::string& text,
                                                        std::string& error);

// Longer than any exchange needs even at 9600 bit/s, short enough to notice a dead line.
inline constexpr std::chrono::milliseconds kMaxReplyTimeout{600000};

}  // namespace rkt5
