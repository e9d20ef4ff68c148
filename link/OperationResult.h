#pragma once

#include <optional>
#include <string>

#include "common/RunTimeError.h"

namespace rkt5 {

// What one operation ends with: its status, the very value its callers test, and on a failure
// why, in words for the operator (empty when the status says all there is), with the number of
// the run-time error that ended it, if one did.
template <typename Status>
struct OperationResult {
    Status status;
    std::string reason;
    std::optional<ErrorNumber> error;

    bool operator==(const OperationResult&) const = default;
};

}  // namespace rkt5
