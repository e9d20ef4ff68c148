#pragma once

#include <string>

namespace rkt5 {

// What one operation ends with: its status, the very value its callers test, and on a failure
// why, in words for the operator (empty when the status says all there is).
template <typename Status>
struct OperationResult {
    Status status;
    std::string reason;

    bool operator==(const OperationResult&) const = default;
};

// An operation whose status is a number of its own (a step of the flash commands).
using StatusResult = OperationResult<int>;

}  // namespace rkt5
