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

int RunPortCommand(FlashContext& context) {
    RadioLink& link = context.link;
    return runOperation(link, reply::Other, [&] {
        link.ApplyLineSettings(0);
        const std::string command = portCommandText(context.panel);
        const int count = link.exchangeText(command, kAnswerComplete);
        const int status =
            count >= kAnswerComplete ? link.ReadStatusReply(kAnswerOffset) : reply::Other;
        if (status == reply::Other) {
            link.noteFailure("pin command (\"" + printableText(command) +
                             "\"): " + answerProblem(link, kAnswerOffset, wire::kStatusReplySize));
        }
        return status;
    });
}

std::string portResultText(int result) {
    switch (result) {
        case reply::OK:
            return "OK";
        case reply::NG:
            return "NG";
        case reply::Pin00:
            return "L出力";
        case reply::Pin01:
            return "H出力";
        case reply::Pin02:
            return "L入力";
        case reply::Pin03:
            return "H入力";
        default:
            return "???";
    }
}

}  // namespace rkt5
