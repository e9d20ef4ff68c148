#include "flash/StepResult.h"

#include <algorithm>

namespace rkt5 {

std::optional<StepResult> StepAnswers::take(Reply answer) const {
    if (std::ranges::find(done, answer) != done.end()) {
        return StepResult{StepStatus::Done, answer};
    }
    if (std::ranges::find(refused, answer) != refused.end()) {
        return StepResult{StepStatus::Refused, answer};
    }
    return std::nullopt;
}

}  // namespace rkt5
