#pragma once

#include <array>
#include <string_view>

#include "link/OperationResult.h"

namespace rkt5 {

// The transceiver's answers as the exchanges classify them. The numbers are the statuses the
// operations hand back and their callers test, so they never change.
enum class Reply : int {
    OK = 0,
    NG = 1,
    ED = 2,
    CT = 3,
    BE = 4,
    PG = 5,
    RA = 6,
    EE = 7,
    Other = 8,  // anything else, or no complete answer
    Pin00 = 9,
    Pin01 = 10,
    Pin02 = 11,
    Pin03 = 12,
    RE = 13,  // the transceiver is of another region
};

// The short replies "XY" CR LF, in the order they are matched.
inline constexpr std::array<Reply, 8> kShortReplies{Reply::OK, Reply::NG, Reply::ED, Reply::CT,
                                                    Reply::BE, Reply::PG, Reply::RA, Reply::EE};

// The answer's own two characters ("OK", "00", ...), or "other".
std::string_view replyName(Reply reply);

constexpr int statusOf(Reply reply) {
    return static_cast<int>(reply);
}

// An operation whose status is the answer it classified.
using ReplyResult = OperationResult<Reply>;

}  // namespace rkt5
