#pragma once

#include <QMetaType>
#include <chrono>
#include <string>

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
};

}  // namespace rkt5

Q_DECLARE_METATYPE(rkt5::UnitResult)
