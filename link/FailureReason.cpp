#include "link/FailureReason.h"

#include <algorithm>

#include "link/RadioLink.h"

namespace rkt5 {

std::string answerProblem(const RadioLink& link, int echoLength, std::size_t replySize) {
    const ExchangeRecord& exchange = link.lastExchange();
    if (exchange.echoBroken) {
        return "the echo of what was sent came back garbled";
    }
    const std::string within = " within " + std::to_string(link.Timer1.interval().count()) + " ms";
    if (exchange.received == 0) {
        if (exchange.dropped > 0) {
            return "no echo of what was sent" + within + " (" + std::to_string(exchange.dropped) +
                   " other bytes came)";
        }
        return "no answer" + within;
    }
    if (exchange.received < exchange.awaited) {
        return "only " + std::to_string(exchange.received) + " of " +
               std::to_string(exchange.awaited) + " bytes came back" + within;
    }
    const auto& rx = link.RxBuffer;
    const std::size_t from = std::min(rx.size(), static_cast<std::size_t>(std::max(echoLength, 0)));
    const std::size_t to = std::min(rx.size(), from + replySize);
    const std::string answer(rx.begin() + static_cast<std::ptrdiff_t>(from),
                             rx.begin() + static_cast<std::ptrdiff_t>(to));
    return "answered \"" + printableText(answer) + "\"";
}

}  // namespace rkt5
