#pragma once

// Cuts the byte stream from the updater into messages and names each one as soon as its first
// bytes allow. How a message is framed depends on the transceiver's mode when it begins:
//
//  - Text framing (normal and flash mode): FF FE starts a 1032-byte flash packet, named by its
//    two letters; anything else is a text command up to CR (at most kMaxTextLength bytes, so
//    binary noise cannot grow a message forever).
//  - Frame framing (modes 0 and 1): 20-byte frames, behind "CL~" in mode 1, named by their head.
//    A message whose first bytes cannot begin a frame (no frame starts with "Z" or "F", and in
//    mode 1 every frame starts "CL~") is read as a text command instead, so an updater that
//    starts over with "ZR~..." or "FL" is understood whatever mode it left behind. FF FE with
//    the letters of a flash packet is a flash packet in these modes too.
//
// Resynchronisation: a partial message is dropped when the line stays idle for longer than any
// correct updater pauses inside one message (stale()). A frame goes out in one write and takes
// milliseconds, so a pause inside one ends it soon: a text command after a cut-off frame is
// read as the command it is.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/SimulatorTypes.h"

namespace rkt5::sim {

enum class Framing { Text, Frame0, Frame1 };

class MessageFramer {
  public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::size_t kMaxTextLength = 64;
    // An updater writes each message, or each half of a packet, in one go.
    static constexpr std::chrono::milliseconds kIdleGap{2000};
    // Between the halves of a flash packet the updater waits for the first half's echo, up to
    // its reply time-out (5 s), so a half packet is kept for longer.
    static constexpr std::chrono::milliseconds kHalfPacketIdleGap{10000};
    static constexpr std::chrono::milliseconds kFrameIdleGap{200};

    bool empty() const { return bytes_.empty(); }
    // Starts a message (when empty) with the framing of the current mode, then adds the byte.
    void push(std::uint8_t byte, Framing framing, Clock::time_point now);

    // The kind once the bytes so far decide it.
    std::optional<MessageKind> kind() const { return kind_; }
    bool complete() const { return complete_; }
    // True when the message is a mode 0/1 frame (its answers are 20-byte frames).
    bool isFrame() const { return shape_ == Shape::Frame; }
    // Bytes in front of the frame proper ("CL~" in mode 1).
    std::size_t prefixLength() const {
        return shape_ == Shape::Frame && framing_ == Framing::Frame1 ? 3 : 0;
    }
    // Full length of a packet or frame; for text the length so far.
    std::size_t expectedLength() const;
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

    // True when a partial message has waited too long for its next byte.
    bool stale(Clock::time_point now) const;
    void reset();

  private:
    enum class Shape { Text, Packet, Frame };

    // The shape a message takes from its first byte in the current mode's framing.
    static Shape openingShape(std::uint8_t byte, Framing framing);
    // Each adds the byte just stored to a message of its shape. The packet and frame ones return
    // false when the byte rules that shape out and the message goes on as text.
    bool takePacketByte(std::uint8_t byte);
    bool takeFrameByte(std::uint8_t byte);
    void takeTextByte(std::uint8_t byte);
    void classifyPacket();
    void classifyFrame();
    void classifyText();

    std::vector<std::uint8_t> bytes_;
    Shape shape_ = Shape::Text;
    Framing framing_ = Framing::Text;
    std::optional<MessageKind> kind_;
    bool complete_ = false;
    Clock::time_point lastByte_{};
};

}  // namespace rkt5::sim
