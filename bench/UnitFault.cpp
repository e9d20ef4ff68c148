#include "bench/UnitFault.h"

#include <array>
#include <random>

#include "common/WireProtocol.h"

namespace rkt5::bench {

namespace {

using sim::Fault;
using sim::MessageKind;

// Each place as the line and the update see it.
struct PlaceEntry {
    MessageKind kind;
    std::size_t length;  // bytes of the message
    bool resent;         // its step sends it again when no answer it takes comes back
    const char* failureText;
    const char* name;
    const char* everyName;  // for a fault on every send
};

constexpr std::array<PlaceEntry, 5> kPlaces{{
    {MessageKind::ModelCheck, wire::kModelCommand.size(), false, "Error", "the model check", ""},
    {MessageKind::ConnectMode2, wire::kConnectCommandMode2.size(), false, "Connect failed.",
     "the connect", ""},
    {MessageKind::EraseBlocks, wire::kPacketSize, true, "Erase failed.", "the erase packet",
     "every erase packet"},
    {MessageKind::Program, wire::kPacketSize, true, "Write failed.", "\"PG\" packet",
     "every \"PG\" packet"},
    {MessageKind::End, wire::kPacketSize, true, "Disconnect failed.", "the end packet",
     "every end packet"},
}};

const PlaceEntry& entryOf(FaultPlace place) {
    return kPlaces[static_cast<std::size_t>(place)];
}

// The faults a resend meets again the same way when they hit every send.
bool repeatable(FaultKind kind) {
    return kind == FaultKind::AnswerLost || kind == FaultKind::AnswerGarbled ||
           kind == FaultKind::AnsweredNg;
}

constexpr int kFaultKinds = static_cast<int>(FaultKind::HangUp) + 1;

}  // namespace

bool foreseeable(const UnitFault& fault) {
    return fault.kind != FaultKind::AnswerLate || fault.place != FaultPlace::End;
}

UnitFault drawUnitFault(int run, int unit, int blocks) {
    std::seed_seq seeds{run, unit};
    std::mt19937 random(seeds);
    // Raw engine output only: the std:: distributions differ between standard libraries.
    const auto below = [&random](std::size_t count) {
        return static_cast<int>(random() % static_cast<std::uint32_t>(count));
    };
    for (;;) {
        UnitFault fault;
        fault.kind = static_cast<FaultKind>(below(kFaultKinds));
        fault.place = static_cast<FaultPlace>(below(kPlaces.size()));
        const PlaceEntry& place = entryOf(fault.place);
        fault.everySend = repeatable(fault.kind) && place.resent && below(2) == 1;
        if (fault.place == FaultPlace::Block && !fault.everySend) {
            fault.block = 1 + below(static_cast<std::size_t>(blocks));
        }
        if (fault.kind == FaultKind::HangUp) {
            fault.hangUpAfter = 1 + below(place.length);
        }
        if (foreseeable(fault)) {
            return fault;
        }
    }
}

std::vector<sim::Fault> simulatorFaults(const UnitFault& fault) {
    Fault rule{.kind = entryOf(fault.place).kind,
               .occurrence = fault.everySend                    ? 0
                             : fault.place == FaultPlace::Block ? fault.block
                                                                : 1};
    switch (fault.kind) {
        case FaultKind::None:
            return {};
        case FaultKind::AnswerLost:
            rule.action = Fault::Action::PartialReply;
            rule.count = 0;
            break;
        case FaultKind::AnswerLate:
            rule.action = Fault::Action::Late;
            rule.delay = kSoakLateBy;
            break;
        case FaultKind::AnswerGarbled:
            rule.action = Fault::Action::CorruptReply;
            rule.count = 0;  // its first byte: no answer the update takes starts like that
            break;
        case FaultKind::AnsweredNg:
            rule.action = Fault::Action::Reply;
            rule.reply = "NG";
            break;
        case FaultKind::HangUp:
            rule.action = Fault::Action::HangUp;
            rule.count = fault.hangUpAfter;
            break;
    }
    return {rule};
}

std::string foreseenMessage(const UnitFault& fault) {
    if (fault.kind == FaultKind::None) {
        return "Completed.";
    }
    const PlaceEntry& place = entryOf(fault.place);
    // The model check and the connect are sent once, a lost line stays lost, and a fault on every
    // send meets the last resend too. An end packet that was carried out (its answer lost or
    // garbled) has left flash mode, and the transceiver answers its resends "NG"; only one
    // refused with "NG" itself was not carried out.
    const bool stepFails = !place.resent || fault.kind == FaultKind::HangUp || fault.everySend ||
                           (fault.place == FaultPlace::End && fault.kind != FaultKind::AnsweredNg);
    return stepFails ? place.failureText : "Completed.";
}

std::string describe(const UnitFault& fault) {
    const PlaceEntry& place = entryOf(fault.place);
    const std::string where = fault.everySend ? place.everyName
                              : fault.place == FaultPlace::Block
                                  ? std::string(place.name) + " " + std::to_string(fault.block)
                                  : place.name;
    switch (fault.kind) {
        case FaultKind::None:
            return "no fault";
        case FaultKind::AnswerLost:
            return "no answer to " + where;
        case FaultKind::AnswerLate:
            return "an answer " + std::to_string(kSoakLateBy.count()) + " ms late to " + where;
        case FaultKind::AnswerGarbled:
            return "a garbled answer to " + where;
        case FaultKind::AnsweredNg:
            return "\"NG\" in answer to " + where;
        case FaultKind::HangUp:
            return "a hang-up after " + std::to_string(fault.hangUpAfter) + " bytes of " + where;
    }
    return {};
}

}  // namespace rkt5::bench
