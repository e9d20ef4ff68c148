#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace rkt5 {

// The line options as a user types them, read the same way by every program: --baud ("9600",
// "38400" or "57600") into the index of its speed option, and --timeout-ms (whole milliseconds
// from 1 to kMaxReplyTimeout) into the reply time-out. An option not given leaves its value as it
// is. False with `error`, in words for the user, for the first value that is wrong.
bool readLineOptionTexts(const std::optional<std::string>& baud,
                         const std::optional<std::string>& timeout, int& speedIndex,
                         std::chrono::milliseconds& replyTimeout, std::string& error);

// Longer than any exchange needs even at 9600 bit/s, short enough to notice a dead line.
inline constexpr std::chrono::milliseconds kMaxReplyTimeout{600000};

}  // namespace rkt5
