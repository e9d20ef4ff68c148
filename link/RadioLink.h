#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string_view>
#include <vector>

#include "link/LineChoice.h"
#include "link/ReplyTimer.h"
#include "link/SerialPort.h"

namespace rkt5 {

// Reply and status codes of the transceiver's answers.
namespace reply {
inline constexpr int OK = 0, NG = 1, ED = 2, CT = 3, BE = 4, PG = 5, RA = 6, EE = 7, Other = 8;
inline constexpr int Pin00 = 9, Pin01 = 10, Pin02 = 11, Pin03 = 12, RE = 13;
}  // namespace reply

// One serial link to the transceiver: the port, the reply timer, the send and receive buffers,
// and the exchanges built on them. Every exchange waits through one primitive that sleeps until
// bytes arrive or Timer1 runs out, so waiting costs no CPU and the event loop keeps running.
class RadioLink {
  public:
    RadioLink(SerialPort& port, const LineChoice& choice);

    SerialPort& MSComm1;
    const LineChoice& choice;
    ReplyTimer Timer1;

    std::array<std::uint8_t, 20> CommandFrame{};
    std::array<std::uint8_t, 23> TxBuffer{};
    std::array<std::uint8_t, 1032> PacketBuffer{};
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

  private:
    // The one wait of every exchange: sleeps in the event loop until inBufferCount() >= count or
    // Timer1 is disarmed (its tick, or a handler that stops it).
    void waitForBytes(int count);
    // Runs the event loop without the port's notifications for `duration`, or until Timer1 is
    // disarmed.
    void sleepAtLeast(std::chrono::microseconds duration);

    // One byte at the fastest line speed the port is ever set to (10 bits at 57600 bit/s): no
    // byte can arrive sooner after the one before it.
    static constexpr std::chrono::microseconds kFastestByteTime{173};
    // The last bytes of a reply are waited for as they come, so that the wait ends the moment
    // they are in: about one delivery of a USB serial adapter.
    static constexpr int kAwakeForLastBytes = 64;
};

}  // namespace rkt5
