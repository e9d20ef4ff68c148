#include "link/RadioLink.h"

#include <algorithm>

#include "common/RunTimeError.h"
#include "common/WireProtocol.h"
#include "link/SpeedOptions.h"

namespace rkt5 {

namespace {

// Flash packets go out in two writes; the counts below are what each wait reads before it stops.
// The echo of the first 512 bytes.
constexpr int kFirstHalfAwaited = static_cast<int>(wire::kPacketFirstHalf);
// The echo of the second 520 bytes and the short answer behind it.
constexpr int kSecondHalfAwaited =
    static_cast<int>(wire::kPacketSecondHalf + wire::kShortReplySize);
// Everything one packet exchange brings back: its whole echo and the answer.
constexpr int kPacketExchangeAwaited = static_cast<int>(wire::kPacketSize + wire::kShortReplySize);

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

bool matchesAt(const std::vector<std::uint8_t>& buffer, std::size_t at, char x, char y) {
    return buffer[at] == static_cast<std::uint8_t>(x) &&
           buffer[at + 1] == static_cast<std::uint8_t>(y);
}

// Classifying needs every byte it looks at: a reply cut short is a subscript error, as reading past
// the buffer's end is anywhere else.
void requireBytes(const std::vector<std::uint8_t>& buffer, int echoLength, std::size_t replySize) {
    if (echoLength < 0 || buffer.size() < static_cast<std::size_t>(echoLength) + replySize) {
        throw RunTimeError(ErrorNumber::SubscriptOutOfRange,
                           "the reply behind an echo of " + std::to_string(echoLength) +
                               " bytes needs " + std::to_string(replySize) + " bytes; " +
                               std::to_string(buffer.size()) + " were received");
    }
}

// Leaves Timer1 disarmed however the exchange ends, so an error never leaves a stale period
// running into the next exchange.
class DisarmOnExit {
  public:
    explicit DisarmOnExit(ReplyTimer& timer) : timer_(timer) {}
    ~DisarmOnExit() { timer_.disarm(); }
    DisarmOnExit(const DisarmOnExit&) = delete;
    DisarmOnExit& operator=(const DisarmOnExit&) = delete;

  private:
    ReplyTimer& timer_;
};

}  // namespace

RadioLink::RadioLink(SerialPort& port, const LineChoice& choice) : MSComm1(port), choice(choice) {}

void RadioLink::ApplyLineSettings(ProtocolMode mode) {
    // Modes 0 and 1 never look at the 57600 option, so with it selected they keep whatever the
    // port was last set to.
    const int optionsRead = sendsFrames(mode) ? 2 : 3;
    for (int index = 0; index < optionsRead; ++index) {
        if (choice.optBPS(index)) {
            settings_ = SpeedOptions::settingsFor(index);
            MSComm1.setSettings(settings_);
        }
    }
}

void RadioLink::openPortIfClosed() {
    if (!MSComm1.portOpen()) {
        const PortIdentity port = choice.port();
        MSComm1.setPort(port);
        MSComm1.setPortOpen(true);
        log_.portOpened(port, settings_);
    }
}

void RadioLink::closePortIfOpen() {
    if (MSComm1.portOpen()) {
        MSComm1.setPortOpen(false);
        log_.portClosed();
    }
}

void RadioLink::beginExchange(std::span<const std::uint8_t> bytes) {
    // A stop lets the running exchange end and refuses the next one, so the transceiver is never
    // left with half a message.
    if (stopRequest_ && stopRequest_()) {
        stopped_ = true;
        throw RunTimeError(ErrorNumber::Interrupted, "stopped by the user before the next send");
    }
    // Nothing that came in before this write can be its echo or its answer.
    if (MSComm1.inBufferCount() > 0) {
        MSComm1.input();
    }
    received_.start(bytes);
    log_.exchangeBegan(bytes, sends_.note(bytes));
    MSComm1.output(bytes);
}

void RadioLink::continueExchange(std::span<const std::uint8_t> bytes) {
    received_.extend(bytes);
    log_.sentMore(bytes);
    MSComm1.output(bytes);
}

void RadioLink::pull() {
    if (MSComm1.inBufferCount() > 0) {
        const std::vector<std::uint8_t> bytes = MSComm1.input();
        heard_ += bytes.size();
        log_.received(bytes);
        received_.append(bytes);
    }
}

void RadioLink::waitForBytes(int count, int tryTotal) {
    // Each pass blocks until bytes come or Timer1's period is up, so the wait always ends.
    for (;;) {
        pull();
        const bool over = received_.echoBroken()
                              ? received_.arrived() >= static_cast<std::size_t>(tryTotal)
                              : received_.count() >= count;
        if (!Timer1.armed() || over) {
            return;
        }
        MSComm1.waitForInput(Timer1.remaining());
    }
}

void RadioLink::record(int awaited, int received) {
    lastExchange_ = {awaited, received, received_.dropped(), received_.echoBroken(),
                     MSComm1.takeLineErrors()};
    log_.exchangeEnded(lastExchange_);
}

Reply RadioLink::logged(Reply reply) const {
    log_.reply(reply);
    return reply;
}

Reply RadioLink::ReadReply(int echoLength) const {
    requireBytes(RxBuffer, echoLength, wire::kShortReplySize);
    const auto at = static_cast<std::size_t>(echoLength);
    if (RxBuffer[at + 2] != wire::CR || RxBuffer[at + 3] != wire::LF) {
        return logged(Reply::Other);
    }
    for (const Reply reply : kShortReplies) {
        const std::string_view letters = replyName(reply);
        if (matchesAt(RxBuffer, at, letters[0], letters[1])) {
            return logged(reply);
        }
    }
    return logged(Reply::Other);
}

Reply RadioLink::ReadStatusReply(int echoLength) const {
    requireBytes(RxBuffer, echoLength, wire::kStatusReplySize);
    const auto at = static_cast<std::size_t>(echoLength);
    if (RxBuffer[at] != wire::CR || RxBuffer[at + 1] != wire::LF || RxBuffer[at + 4] != wire::CR ||
        RxBuffer[at + 5] != wire::LF) {
        return logged(Reply::Other);
    }
    static constexpr std::array<Reply, 7> kStatusAnswers{
        Reply::OK, Reply::NG, Reply::RE, Reply::Pin00, Reply::Pin01, Reply::Pin02, Reply::Pin03};
    for (const Reply reply : kStatusAnswers) {
        const std::string_view letters = replyName(reply);
        if (matchesAt(RxBuffer, at + 2, letters[0], letters[1])) {
            return logged(reply);
        }
    }
    return logged(Reply::Other);
}

int RadioLink::SendPacket(ProtocolMode mode) {
    ApplyLineSettings(mode);
    DisarmOnExit disarm(Timer1);
    return sendsFrames(mode) ? exchangeFrame(mode) : exchangePacket();
}

int RadioLink::exchangeFrame(ProtocolMode mode) {
    std::span<const std::uint8_t> frame = CommandFrame;
    if (mode == ProtocolMode::Mode1) {
        std::copy(wire::kMode1Prefix.begin(), wire::kMode1Prefix.end(), TxBuffer.begin());
        std::copy(CommandFrame.begin(), CommandFrame.end(),
                  TxBuffer.begin() + static_cast<std::ptrdiff_t>(wire::kMode1Prefix.size()));
        frame = TxBuffer;
    }
    const int awaited = static_cast<int>(frame.size() + wire::kFrameReplySize);
    beginExchange(frame);
    Timer1.arm();
    waitForBytes(awaited, awaited);
    Timer1.disarm();
    RxBuffer = received_.take();
    record(awaited, static_cast<int>(RxBuffer.size()));
    return static_cast<int>(RxBuffer.size());
}

void RadioLink::collectPacketHalf(int threshold, int target, std::vector<std::uint8_t>& into,
                                  int& count) {
    while (count < target && Timer1.armed() && !received_.echoBroken()) {
        waitForBytes(threshold, kPacketExchangeAwaited);
        const int waiting = received_.count();
        if (waiting >= threshold) {
            count += waiting;
            const std::vector<std::uint8_t> bytes = received_.take();
            into.insert(into.end(), bytes.begin(), bytes.end());
        }
    }
}

int RadioLink::exchangePacket() {
    std::vector<std::uint8_t> received;
    int count = 0;
    const std::span<const std::uint8_t> packet = PacketBuffer;
    beginExchange(packet.first(wire::kPacketFirstHalf));
    // One period for the whole packet: a slow first echo leaves less time for the second half.
    Timer1.arm();
    collectPacketHalf(kFirstHalfAwaited, kFirstHalfAwaited, received, count);
    // The second half goes out even when the first echo never came (the transceiver may only
    // have been slow), so that the transceiver never takes the next packet for this one's rest.
    continueExchange(packet.subspan(wire::kPacketFirstHalf));
    collectPacketHalf(kSecondHalfAwaited, kPacketExchangeAwaited, received, count);
    if (count >= kPacketExchangeAwaited) {
        Timer1.disarm();
    }
    RxBuffer = std::move(received);
    record(kPacketExchangeAwaited, count);
    return count;
}

int RadioLink::exchangeText(std::string_view text, int awaited) {
    DisarmOnExit disarm(Timer1);
    openPortIfClosed();
    beginExchange(bytesOf(text));
    Timer1.arm();
    waitForBytes(awaited, awaited);
    Timer1.disarm();
    pull();
    const int count = received_.count();
    RxBuffer = received_.take();
    record(awaited, count);
    return count;
}

}  // namespace rkt5
