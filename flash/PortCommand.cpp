#include "flash/PortCommand.h"

#include "common/WireProtocol.h"
#include "link/FailureReason.h"
#include "link/PortSession.h"

namespace rkt5 {

namespace {

// The answer is looked for behind an echo of 8 characters: a two-character pin number.
constexpr int kAnswerOffset = 8;
constexpr int kAnswerComplete = kAnswerOffset + static_cast<int>(wire::kStatusReplySize);
constexpr int kPinFunctions = 4;

std::string portCommandText(const FlashPanel& panel) {
    std::string text(wire::kPortCommandPrefix);
    text += panel.txtPinNumber();
    for (int index = 0; index < kPinFunctions; ++index) {
        if (panel.portOption(index)) {
            text += static_cast<char>('0' + index);
            text += static_cast<char>(wire::CR);
        }
    }
    return text;
}

}  // namespace

ReplyResult RunPortCommand(FlashContext& context) {
    RadioLink& link = context.link;
    return runOperation(link, Reply::Other, [&]() -> ReplyResult {
        link.ApplyLineSettings(ProtocolMode::Mode0);
        const std::string command = portCommandText(context.panel);
        const int count = link.exchangeText(command, kAnswerComplete);
        const Reply status =
            count >= kAnswerComplete ? link.ReadStatusReply(kAnswerOffset) : Reply::Other;
        if (status != Reply::Other) {
            return {status, {}};
        }
        return {status, "pin command (\"" + printableText(command) +
                            "\"): " + answerProblem(link, kAnswerOffset, wire::kStatusReplySize)};
    });
}

std::string portResultText(Reply result) {
    switch (result) {
        case Reply::OK:
            return "OK";
        case Reply::NG:
            return "NG";
        case Reply::Pin00:
            return "L出力";
        case Reply::Pin01:
            return "H出力";
        case Reply::Pin02:
            return "L入力";
        case Reply::Pin03:
            return "H入力";
        default:
            return "???";
    }
}

}  // namespace rkt5
