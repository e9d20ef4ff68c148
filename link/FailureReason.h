#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// printableText, with which the reasons quote what was sent and answered.
#include "common/PrintableText.h"

namespace rkt5 {

class RadioLink;

// What was wrong with the last exchange's answer, for a failure's reason: "no answer within
// 5000 ms", "only 7 of 13 bytes within 5000 ms", "the echo came back garbled" or
// "answered \"NG\r\n\"" (the answer behind an echo of `echoLength` bytes).
std::string answerProblem(const RadioLink& link, int echoLength, std::size_t replySize);

}  // namespace rkt5
