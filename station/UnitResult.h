#pragma once

#include <QMetaType>
#include <chrono>
#include <string>

#include "flash/LinkThread.h"
#include "flash/Sequences.h"
#include "flash/WhatItLeaves.h"
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
    std::string unit;        // the operator's label for the transceiver, when one was given
    std::string recordNote;  // where its record row went when not into the record, or nothing
};

// The result of the update of `port`, labelled `unit`, that ended as `run`.
UnitResult unitResultOf(const StationPort& port, std::string unit, const LinkRun& run);

}  // namespace rkt5

Q_DECLARE_METATYPE(rkt5::UnitResult)
