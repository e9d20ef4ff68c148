// The two text commands that run as operations of their own: the connect of each mode and the
// model check.
#include <array>
#include <string_view>

#include "common/WireProtocol.h"
#include "link/FailureReason.h"
#include "link/PortSession.h"
#include "link/RadioLink.h"

namespace rkt5 {

namespace {

// The connect command of each mode and what comes back: its echo, then "CT" CR LF in mode 2 or a
// 20-byte frame that starts "OK" CR LF in modes 0 and 1.
struct ConnectCommand {
    std::string_view text;
    int awaited;
};
constexpr std::array<ConnectCommand, 3> kConnectCommands{{
    {wire::kConnectCommandMode0,
     static_cast<int>(wire::kConnectCommandMode0.size() + wire::kFrameReplySize)},
    {wire::kConnectCommandMode1,
     static_cast<int>(wire::kConnectCommandMode1.size() + wire::kFrameReplySize)},
    {wire::kConnectCommandMode2,
     static_cast<int>(wire::kConnectCommandMode2.size() + wire::kShortReplySize)},
}};

constexpr int kModelAwaited = static_cast<int>(wire::kModelCommand.size() + wire::kStatusReplySize);

}  // namespace

ReplyResult RadioLink::ConnectRadio(ProtocolMode mode) {
    const ConnectCommand& command = kConnectCommands[static_cast<std::size_t>(modeNumber(mode))];
    const int echoLength = static_cast<int>(command.text.size());
    return runOperation(*this, Reply::Other, [&]() -> ReplyResult {
        ApplyLineSettings(mode);
        if (exchangeText(command.text, command.awaited) >= command.awaited) {
            const Reply answer = ReadReply(echoLength);
            if (answer == Reply::OK || answer == Reply::CT) {
                return {answer, {}};
            }
        }
        return {Reply::Other, "connect (\"" + printableText(command.text) + "\"): " +
                                  answerProblem(*this, echoLength, wire::kShortReplySize)};
    });
}

ReplyResult RadioLink::CheckModel() {
    const int echoLength = static_cast<int>(wire::kModelCommand.size());
    return runOperation(*this, Reply::Other, [&]() -> ReplyResult {
        ApplyLineSettings(ProtocolMode::Mode2);
        if (exchangeText(wire::kModelCommand, kModelAwaited) >= kModelAwaited) {
            const Reply answer = ReadStatusReply(echoLength);
            if (answer == Reply::OK || answer == Reply::RE) {
                return {answer, {}};
            }
        }
        return {Reply::Other, "model check (\"" + printableText(wire::kModelCommand) + "\"): " +
                                  answerProblem(*this, echoLength, wire::kStatusReplySize)};
    });
}

}  // namespace rkt5
