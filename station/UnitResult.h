#pragma once

#include <QMetaType>
#include <chrono>
#include <string>
#include <string_view>

#include "flash/Sequences.h"
#include "station/StationPort.h"

namespace rkt5 {

// How one transceiver's update ended, for the summary, the station's row and the record.
struct UnitResult {
    StationPort port;
    Outcome outcome;
    bool interrupted = false;  // a stop ended it before the next send
    std::chrono::duration<double> elapsed{};
    int sends = 0;
    int resends = 0;
    std::chrono::system_clock::time_point ended{};
};

// What a failed update leaves the transceiver in and what to do about it, from the step that
// failed: "the transceiver was not changed", "still in flash mode, part written: run the update
// again". Empty after "Completed.".
std::string_view whatItLeaves(const Outcome& outcome);
// A failure's reason, then what it leaves the transceiver in: "…: answered "NG"; in flash mode,
// partly written: run the update again".
std::string reasonAndWhatItLeaves(const Outcome& outcome);

}  // namespace rkt5

Q_DECLARE_METATYPE(rkt5::UnitResult)
