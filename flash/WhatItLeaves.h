#pragma once

#include <string>
#include <string_view>

#include "flash/Sequences.h"

namespace rkt5 {

// What a failed update leaves the transceiver in and what to do about it, from the step that
// failed: "the transceiver was not changed", "still in flash mode, part written: run the update
// again". Empty after a success.
std::string_view whatItLeaves(const Outcome& outcome);
// A failure's reason, then what it leaves the transceiver in: "…: answered "NG"; in flash mode,
// partly written: run the update again".
std::string reasonAndWhatItLeaves(const Outcome& outcome);

}  // namespace rkt5
