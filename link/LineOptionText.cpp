#include "link/LineOptionText.h"

#include <utility>

#include "common/WholeNumber.h"
#include "link/SpeedOptions.h"

namespace rkt5 {

namespace {

std::optional<int> speedOptionOf(const std::string& text, std::string& error) {
    const auto value = wholeNumber(text);
    // A number beyond int must not wrap onto an offered speed.
    const auto index = value && std::in_range<int>(*value)
                           ? SpeedOptions::indexForBaud(static_cast<int>(*value))
                           : std::nullopt;
    if (!index) {
        error = "--baud must be 9600, 38400 or 57600, not '" + text + "'";
    }
    return index;
}

std::optional<std::chrono::milliseconds> replyTimeoutOf(const std::string& text,
                                                        std::string& error) {
    const auto value = wholeNumber(text);
    if (!value || *value < 1 || *value > kMaxReplyTimeout.count()) {
        error = "--timeout-ms must be a whole number of milliseconds from 1 to " +
                std::to_string(kMaxReplyTimeout.count()) + ", not '" + text + "'";
        return std::nullopt;
    }
    return std::chrono::milliseconds(*value);
}

}  // namespace

bool readLineOptionTexts(const std::optional<std::string>& baud,
                         const std::optional<std::string>& timeout, int& speedIndex,
                         std::chrono::milliseconds& replyTimeout, std::string& error) {
    const auto index = baud ? speedOptionOf(*baud, error) : speedIndex;
    const auto waited = index && timeout ? replyTimeoutOf(*timeout, error) : replyTimeout;
    if (!index || !waited) {
        return false;
    }
    speedIndex = *index;
    replyTimeout = *waited;
    return true;
}

}  // namespace rkt5
