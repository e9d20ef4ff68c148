#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/WireProtocol.h"
#include "link/EchoAlignedBuffer.h"
#include "link/ExchangeLog.h"
#include "link/LineChoice.h"
#include "link/ReplyTimer.h"
#include "link/SerialPort.h"

namespace rkt5 {

// Reply and status codes of the transceiver's answers.
namespace reply {
inline constexpr int OK = 0, NG = 1, ED = 2, CT = 3, BE = 4, PG = 5, RA = 6, EE = 7, Other = 8;
inline constexpr int Pin00 = 9, Pin01 = 10, Pin02 = 11, Pin03 = 12, RE = 13;
// The short replies "XY" CR LF by their codes 0 to 7.
inline constexpr std::array<std::string_view, 8> kShortReplies{"OK", "NG", "ED", "CT",
                                                               "BE", "PG", "RA", "EE"};
}  // namespace reply

// What the last exchange brought back, for the words of a failure.
struct ExchangeRecord {
    int awaited = 0;          // bytes the exchange waited for: its echo and the answer
    int received = 0;         // bytes of its own that came in before it stopped waiting
    std::size_t dropped = 0;  // bytes that came in before its echo: leftovers of earlier tries
    bool echoBroken = false;
};

// One serial link to the transceiver: the port, the reply timer, the send and receive buffers,
// and the exchanges built on them. Every exchange waits through one primitive that sleeps in the
// event loop until bytes arrive or Timer1 runs out, so waiting costs no CPU and the window stays
// responsive. Each exchange reads its answer behind its own echo (EchoAlignedBuffer).
//
// One operation runs at a time (PortSession): while one waits, the event loop may deliver a click
// that starts another; that one is refused before it touches anything.
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

    // Writes the settings string of each selected speed option that the mode reads
    // (modes 0 and 1 read options 0 and 1; mode 2 reads all three).
    void ApplyLineSettings(int mode);
    // The opening rule: if the port is closed, number it from GetCOM() and open it.
    void openPortIfClosed();
    void closePortIfOpen();

    // Writes the frame (modes 0, 1) or the packet in two halves (mode 2), waits for the echo and
    // the answer or the time-out, replaces RxBuffer with what was read and returns the count.
    // No error trap: port errors propagate (Timer1 is disarmed first); a mode outside 0..2 is a
    // RunTimeError. The caller opens and closes the port.
    int SendPacket(int mode);

    // Classify the answer behind the echo; RunTimeError(SubscriptOutOfRange) past RxBuffer's end.
    int ReadReply(int echoLength) const;
    int ReadStatusReply(int echoLength) const;

    // Text command exchange: opens the port if closed, writes the text once, waits until `awaited`
    // bytes are in or Timer1 runs out, replaces RxBuffer with one read and returns the count read
    // just before it. The caller applies the line settings of its mode first (ApplyLineSettings),
    // traps the errors, which propagate from here, and closes the port. Timer1 is disarmed on
    // return, also when an error propagates.
    int exchangeText(std::string_view text, int awaited);

    int ConnectRadio(int mode);  // 0 or 3 on success as the mode says, else 8
    int CheckModel();            // 0, 13 or 8

    // True while an operation holds the link (PortSession).
    bool busy() const { return busy_; }
    // Why the last operation failed, in words for the operator; empty when it did not fail or
    // nothing more than its status is known.
    const std::string& failure() const { return failure_; }
    void noteFailure(std::string reason) { failure_ = std::move(reason); }
    // What the last exchange brought back.
    const ExchangeRecord& lastExchange() const { return lastExchange_; }
    // Writes every exchange to `log` from now on; nullptr stops it.
    void setLog(ExchangeLog* log) { log_ = log; }

  private:
    friend class PortSession;

    // Drops what waits from before this exchange, writes `bytes` and lines up what comes back on
    // their echo; continueExchange writes more of the same exchange.
    void beginExchange(std::span<const std::uint8_t> bytes);
    void continueExchange(std::span<const std::uint8_t> bytes);
    // The one wait of every exchange: sleeps in the event loop until `count` bytes of the
    // exchange's own are in, its echo came back wrong, or Timer1 is disarmed (its tick, or a
    // handler that stops it).
    void waitForBytes(int count);
    // Moves what the port has received into the exchange's buffer.
    void pull();
    void record(int awaited, int received);
    int shortReplyCode(int echoLength) const;
    int statusReplyCode(int echoLength) const;
    int logged(int status) const;

    EchoAlignedBuffer received_;
    ExchangeRecord lastExchange_;
    std::string failure_;
    bool busy_ = false;
    ExchangeLog* log_ = nullptr;
    std::string settings_;                   // the line settings last written, for the log
    std::vector<std::uint8_t> lastWritten_;  // what the last exchange began with, for the log
    int sendNumber_ = 0;                     // 1 for new bytes, one more for each resend of them
};

}  // namespace rkt5
