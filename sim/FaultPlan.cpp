#include "sim/FaultPlan.h"

#include <algorithm>
#include <utility>

namespace rkt5::sim {

FaultPlan::FaultPlan(std::vector<Fault> rules, double randomRate, std::uint32_t seed,
                     std::chrono::milliseconds randomLateDelay)
    : rules_(std::move(rules)),
      randomRate_(randomRate),
      randomLateDelay_(randomLateDelay),
      random_(seed) {}

namespace {

void apply(const Fault& fault, MessageFaults& faults) {
    const auto count = static_cast<std::size_t>(fault.count < 0 ? 0 : fault.count);
    switch (fault.action) {
        case Fault::Action::Reply:
            faults.reply = fault.reply;
            break;
        case Fault::Action::Silent:
            faults.silent = true;
            break;
        case Fault::Action::DropEcho:
            faults.dropEcho = count;
            break;
        case Fault::Action::CorruptEcho:
            faults.corruptEchoAt = count;
            break;
        case Fault::Action::CorruptReply:
            faults.corruptReplyAt = count;
            break;
        case Fault::Action::PartialReply:
            faults.partialReply = count;
            break;
        case Fault::Action::HangUp:
            faults.hangUpAfter = count;
            break;
        case Fault::Action::Late:
            faults.late = fault.delay;
            break;
    }
}

}  // namespace

MessageFaults FaultPlan::next(MessageKind kind) {
    const int occurrence = ++seen_[static_cast<std::size_t>(kind)];
    MessageFaults faults;
    for (const Fault& rule : rules_) {
        if (rule.kind == kind && (rule.occurrence == 0 || rule.occurrence == occurrence)) {
            apply(rule, faults);
        }
    }
    if (randomRate_ > 0.0) {
        drawRandom(faults);
    }
    return faults;
}

bool FaultPlan::touchesEcho() const {
    return randomRate_ > 0.0 || std::any_of(rules_.begin(), rules_.end(), [](const Fault& rule) {
               return rule.action == Fault::Action::Silent ||
                      rule.action == Fault::Action::DropEcho ||
                      rule.action == Fault::Action::CorruptEcho;
           });
}

// Raw engine output only (no std:: distributions), so a seed gives the same faults with every
// standard library.
void FaultPlan::drawRandom(MessageFaults& faults) {
    const double roll = static_cast<double>(random_()) / 4294967296.0;
    const std::uint32_t pick = random_();
    if (roll >= randomRate_) {
        return;
    }
    // Hang-ups are left out: they move the port, which a random soak run should not have to
    // follow.
    switch (pick % 6) {
        case 0:
            faults.reply = "NG";
            break;
        case 1:
            faults.silent = true;
            break;
        case 2:
            faults.dropEcho = 1 + pick / 6 % 8;
            break;
        case 3:
            faults.corruptReplyAt = pick / 6 % 4;
            break;
        case 4:
            faults.partialReply = pick / 6 % 3;
            break;
        default:
            faults.late = randomLateDelay_;
            break;
    }
}

}  // namespace rkt5::sim
