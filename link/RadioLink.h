#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/WireProtocol.h"
#include "link/EchoAlignedBuffer.h"
#include "link/ExchangeLog.h"
#include "link/LineChoice.h"
#include "link/OperationResult.h"
#include "link/ProtocolMode.h"
#include "link/Reply.h"
#include "link/ReplyTimer.h"
#include "link/SendCount.h"
#include "serial/SerialPort.h"

namespace rkt5 {

// One serial link to the transceiver: the port, the reply timer, the send and receive buffers,
// and the exchanges built on them. Every exchange waits through one primitive that blocks the
// calling thread (the link's thread) until bytes arrive or Timer1's period is up, so waiting costs
// no CPU and no event loop runs inside an exchange. Each exchange reads its answer behind its own
// echo (EchoAlignedBuffer), and a try whose echo came back wrong is let finish before anything else
// is sent, so that one late answer costs one send instead of a run of collisions.
//
// The link belongs to one thread, which runs one operation at a time (its link thread).
class RadioLink {
  public:
    RadioLink(SerialPort& port, const LineChoice& choice);

    SerialPort& MSComm1;
    const LineChoice& choice;
    ReplyTimer Timer1;

    std::array<std::uint8_t, wire::kFrameSize> CommandFrame{};
    std::array<std::uint8_t, wire::kMode1FrameSize> TxBuffer{};
    std::array<std::uint8_t, wire::kPacketSize> PacketBuffer{};
    std::vector<std::uint8_t> RxBuffer;

    // Writes the settings of each selected speed option that the mode reads (modes 0 and 1 read
    // options 0 and 1; mode 2 reads all three).
    void ApplyLineSettings(ProtocolMode mode);
    // The opening rule: if the port is closed, open the port chosen.
    void openPortIfClosed();
    void closePortIfOpen();

    // Writes the frame (modes 0, 1) or the packet in two halves (mode 2), waits for the echo and
    // the answer or the time-out, replaces RxBuffer with what was read and returns the count.
    // No error trap: port errors propagate (Timer1 is disarmed first). The caller opens and
    // closes the port.
    int SendPacket(ProtocolMode mode);

    // Classify the answer behind the echo; RunTimeError(SubscriptOutOfRange) past RxBuffer's end.
    Reply ReadReply(int echoLength) const;
    Reply ReadStatusReply(int echoLength) const;

    // Text command exchange: opens the port if closed, writes the text once, waits until `awaited`
    // bytes are in or Timer1 runs out, replaces RxBuffer with one read and returns the count read
    // just before it. The caller applies the line settings of its mode first (ApplyLineSettings),
    // traps the errors, which propagate from here, and closes the port. Timer1 is disarmed on
    // return, also when an error propagates.
    int exchangeText(std::string_view text, int awaited);

    ReplyResult ConnectRadio(ProtocolMode mode);  // OK (modes 0, 1) or CT (mode 2), else Other
    ReplyResult CheckModel();                     // OK, RE or Other

    // True when nothing came back over the line since the last operation began.
    bool heardNothing() const { return heard_ == 0; }
    // What the last exchange brought back.
    const ExchangeRecord& lastExchange() const { return lastExchange_; }
    // Writes every exchange once opened; closed, it writes nothing.
    ExchangeLog& log() { return log_; }
    const SendCount& sends() const { return sends_; }

    // Asked before every exchange: once it says stop (it may be told so from any thread), the
    // exchange under way has ended as usual and the next one is refused with
    // RunTimeError(Interrupted). Empty: the link is never stopped.
    void setStopRequest(std::function<bool()> stop) { stopRequest_ = std::move(stop); }
    // True once a stop refused an exchange of this run.
    bool stopped() const { return stopped_; }
    // A new run of operations: its sends are counted from none, and no stop has ended it.
    void beginRun() {
        sends_ = {};
        stopped_ = false;
    }

  private:
    friend class PortSession;

    // Drops what waits from before this exchange, writes `bytes` and lines up what comes back on
    // their echo; continueExchange writes more of the same exchange.
    void beginExchange(std::span<const std::uint8_t> bytes);
    void continueExchange(std::span<const std::uint8_t> bytes);
    // The one wait of every exchange: blocks until `count` bytes of the exchange's own are in or
    // Timer1's period is up. Once
    // its echo came back wrong, the try has failed, but the transceiver is still echoing and
    // answering it: the wait goes on until `tryTotal` bytes have come back from the echo's start
    // on, whatever they are, so that the next send does not run into the rest of this one.
    void waitForBytes(int count, int tryTotal);
    // Moves what the port has received into the exchange's buffer.
    void pull();
    // Takes every byte of its own that `threshold` bytes in one read brings, until `target`.
    void collectPacketHalf(int threshold, int target, std::vector<std::uint8_t>& into, int& count);
    int exchangeFrame(ProtocolMode mode);
    int exchangePacket();
    void record(int awaited, int received);
    Reply logged(Reply reply) const;

    EchoAlignedBuffer received_;
    ExchangeRecord lastExchange_;
    mutable ExchangeLog log_;  // writing down what happened changes nothing of the link
    std::size_t heard_ = 0;    // bytes received since the operation began
    LineSettings settings_;    // the line settings last written, for the log
    SendCount sends_;
    std::function<bool()> stopRequest_;
    bool stopped_ = false;
};

}  // namespace rkt5
