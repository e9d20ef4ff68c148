// The reply classifiers over whatever an exchange left in RxBuffer, behind an echo of any length.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "common/RunTimeError.h"
#include "common/WireProtocol.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/IdlePort.h"
#include "link/ChosenLine.h"
#include "link/RadioLink.h"

using namespace rkt5;
using fuzz::require;

namespace {

// The status a classifier gives, or nothing when it found RxBuffer too short.
template <typename Classify>
std::optional<Reply> classified(Classify classify) {
    try {
        return classify();
    } catch (const RunTimeError& error) {
        require(error.number() == ErrorNumber::SubscriptOutOfRange,
                "a classifier fails only by reading past RxBuffer");
        return std::nullopt;
    }
}

// Whether the reply bytes at `at` are what a status other than Other says they are.
bool isShortReply(const std::uint8_t* at, Reply status) {
    if (std::ranges::find(kShortReplies, status) == kShortReplies.end()) {
        return false;
    }
    const std::string_view letters = replyName(status);
    return at[0] == letters[0] && at[1] == letters[1] && at[2] == wire::CR && at[3] == wire::LF;
}

bool isStatusReply(const std::uint8_t* at, Reply status) {
    const bool known = status == Reply::OK || status == Reply::NG || status == Reply::RE ||
                       (status >= Reply::Pin00 && status <= Reply::Pin03);
    const std::string_view letters = replyName(status);
    return known && at[0] == wire::CR && at[1] == wire::LF && at[2] == letters[0] &&
           at[3] == letters[1] && at[4] == wire::CR && at[5] == wire::LF;
}

struct Classifier {
    Reply (RadioLink::*classify)(int echoLength) const;
    std::size_t replySize;
    bool (*fits)(const std::uint8_t* at, Reply status);
};

constexpr Classifier kClassifiers[] = {
    {&RadioLink::ReadReply, wire::kShortReplySize, isShortReply},
    {&RadioLink::ReadStatusReply, wire::kStatusReplySize, isStatusReply},
};

void check(const RadioLink& link, int echoLength, const Classifier& classifier) {
    const auto status = classified([&] { return (link.*classifier.classify)(echoLength); });
    const bool held =
        echoLength >= 0 &&
        link.RxBuffer.size() >= static_cast<std::size_t>(echoLength) + classifier.replySize;
    require(status.has_value() == held, "a reply is classified exactly when RxBuffer holds it");
    require(!status || *status == Reply::Other ||
                classifier.fits(link.RxBuffer.data() + echoLength, *status),
            "a recognised reply is what stands behind the echo");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::IdlePort port;
    static const ChosenLine choice;
    static RadioLink link(port, choice);

    FuzzedDataProvider input(data, size);
    const int echoLength = input.ConsumeIntegralInRange<int>(-4, 1100);
    link.RxBuffer = input.ConsumeRemainingBytes<std::uint8_t>();
    for (const Classifier& classifier : kClassifiers) {
        check(link, echoLength, classifier);
    }
    return 0;
}
