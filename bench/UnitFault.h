#pragma once

// The fault one simulated transceiver of the station soak is given, drawn from the run's and the
// unit's numbers, and the message its update must end with because of it.

#include <chrono>
#include <string>
#include <vector>

#include "sim/SimulatorTypes.h"

namespace rkt5::bench {

// What goes wrong.
enum class FaultKind { None, AnswerLost, AnswerLate, AnswerGarbled, AnsweredNg, HangUp };
// The message it hits, in the order the update sends them: the model check, the connect, the
// erase packet, a "PG" packet, the end packet.
enum class FaultPlace { ModelCheck, Connect, Erase, Block, End };

struct UnitFault {
    FaultKind kind = FaultKind::None;
    FaultPlace place = FaultPlace::Block;
    // On every send of the place's message rather than once; only for faults that a resend can
    // meet again the same way (a lost, garbled or "NG" answer) at a step that resends.
    bool everySend = false;
    int block = 1;        // at Block: which "PG" packet, counted from 1 with resends
    int hangUpAfter = 1;  // a hang-up: the bytes of the message that arrive before the line drops
};

// The reply time-out of the station soak: its simulators answer at once, so a short one keeps a
// time-out cheap.
inline constexpr std::chrono::milliseconds kSoakReplyTime{300};
// How late a late answer comes: well past the reply time-out, so that even a busy machine has
// given up on it and resent by then.
inline constexpr std::chrono::milliseconds kSoakLateBy{1000};

// False for the faults whose message depends on timing, which the soak leaves out: a late answer
// to the end packet, which has left flash mode by then and answers its resends "NG", ends well or
// not by whether the late answer comes in while a resend still waits.
bool foreseeable(const UnitFault& fault);

// The fault of unit `unit` in run `run`: the same on every machine for the same numbers. A block
// is drawn among the first `blocks` "PG" packets (those the image has data for).
UnitFault drawUnitFault(int run, int unit, int blocks);

// The simulated transceiver's rules for the fault.
std::vector<sim::Fault> simulatorFaults(const UnitFault& fault);

// The message the update of a transceiver with the fault ends with.
std::string foreseenMessage(const UnitFault& fault);

// "no answer to every \"PG\" packet", for a report of what went wrong.
std::string describe(const UnitFault& fault);

}  // namespace rkt5::bench
