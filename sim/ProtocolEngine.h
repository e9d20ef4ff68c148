#pragma once

// The simulated transceiver without any I/O: bytes from the updater go in, the echo and the
// answers come out as timed pieces, the flash memory and the message log change. The
// pseudo-terminal server drives it; tests drive it directly.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/FaultPlan.h"
#include "sim/FlashMemory.h"
#include "sim/IoPins.h"
#include "sim/MessageFramer.h"
#include "sim/SimulatorTypes.h"

namespace rkt5::sim {

// Bytes to put on the line, `gapBefore` after the previous piece has gone out.
struct OutputPiece {
    std::vector<std::uint8_t> bytes;
    std::chrono::milliseconds gapBefore{0};
};

struct EngineOutput {
    std::vector<OutputPiece> pieces;
    bool hangUp = false;         // close the line now; bytes after the cut were not read
    bool flashModeLeft = false;  // time to save the flash (after "ED" or the END frame)
};

class ProtocolEngine {
  public:
    using Clock = std::chrono::steady_clock;

    // The transceiver's state between messages.
    enum class Mode { Normal, Flash, Frame0, Frame1 };

    explicit ProtocolEngine(const SimulatorOptions& options);

    // Handles bytes as they arrived at `now`, with the line speed the port was set to.
    EngineOutput receive(std::span<const std::uint8_t> bytes, Clock::time_point now,
                         int lineSpeed = 0);

    // The line was dropped (hang-up): a message in progress is gone; the mode stays, as the real
    // transceiver stays in flash mode when the cable is pulled.
    void lineLost();
    // The last client closed the port: a message in progress and a row awaiting its OK frame
    // are gone, so the next client starts on a quiet line. The mode stays: the transceiver
    // never sees the port close, and the panel's steps each open the port anew.
    void clientClosed();

    Mode mode() const { return mode_; }
    const FlashMemory& flash() const { return flash_; }
    const std::vector<ReceivedMessage>& log() const { return log_; }
    void clearLog() { log_.clear(); }

  private:
    void releaseEcho(std::vector<std::uint8_t>& echo, const MessageFaults& faults);
    void finishMessage(EngineOutput& out, std::vector<std::uint8_t>& echo, int lineSpeed);
    void dropPartial();
    std::vector<std::uint8_t> carryOut(MessageKind kind, const std::vector<std::uint8_t>& bytes,
                                       bool isFrame, std::size_t prefix, EngineOutput& out,
                                       std::chrono::milliseconds& gap);
    std::vector<std::uint8_t> packetAnswer(MessageKind kind, const std::vector<std::uint8_t>& bytes,
                                           EngineOutput& out, std::chrono::milliseconds& gap);
    std::vector<std::uint8_t> frameAnswer(MessageKind kind, std::span<const std::uint8_t> frame,
                                          EngineOutput& out, std::chrono::milliseconds& gap);
    static std::vector<std::uint8_t> shapedReply(MessageKind kind, bool isFrame,
                                                 const std::string& reply);
    Framing framing() const;

    bool regionOther_;
    std::chrono::milliseconds programTime_;
    Mode mode_ = Mode::Normal;
    FlashMemory flash_;
    IoPins pins_;
    FaultPlan faultPlan_;
    bool echoWaitsForKind_;  // a fault may take the echo, which it can only before it goes out
    MessageFramer framer_;
    std::optional<MessageFaults> faults_;  // of the message being framed, once its kind is known
    std::size_t echoed_ = 0;               // bytes of that message already echoed
    std::optional<std::vector<std::uint8_t>> pendingRow_;  // row frame awaiting its OK frame
    std::vector<ReceivedMessage> log_;
};

}  // namespace rkt5::sim
