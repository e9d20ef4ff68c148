#include "link/ReplyTimer.h"

namespace rkt5 {

bool ReplyTimer::armed() const {
    return deadline_ && Clock::now() < *deadline_;
}

std::chrono::milliseconds ReplyTimer::remaining() const {
    if (!deadline_) {
        return {};
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline_ - Clock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

}  // namespace rkt5
