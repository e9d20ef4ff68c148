#include "link/SpeedOptions.h"

#include <string>

#include "common/RunTimeError.h"

namespace rkt5 {

namespace {

std::size_t requireOption(int index) {
    if (index < 0 || index >= SpeedOptions::kCount) {
        throw RunTimeError(ErrorNumber::SubscriptOutOfRange,
                           "there is no speed option " + std::to_string(index));
    }
    return static_cast<std::size_t>(index);
}

}  // namespace

void SpeedOptions::select(int index) {
    requireOption(index);
    selected_ = index;
}

bool SpeedOptions::selected(int index) const {
    requireOption(index);
    return selected_ == index;
}

const LineSettings& SpeedOptions::settingsFor(int index) {
    return kSettings[requireOption(index)];
}

std::optional<int> SpeedOptions::indexForBaud(int baud) {
    for (int index = 0; index < kCount; ++index) {
        if (kBaud[static_cast<std::size_t>(index)] == baud) {
            return index;
        }
    }
    return std::nullopt;
}

}  // namespace rkt5
