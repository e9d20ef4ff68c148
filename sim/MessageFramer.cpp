#include "sim/MessageFramer.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "common/WireProtocol.h"

namespace rkt5::sim {

namespace {

using wire::CR;

bool canStartFrame0(std::uint8_t byte) {
    // Heads 00 00, 01 01, "OK", "NG", or a row frame, whose first byte is row / 256 >= 0xC0.
    return byte == 0x00 || byte == 0x01 || byte == 'O' || byte == 'N' || byte >= 0xC0;
}

template <std::size_t N>
bool startsWith(const std::vector<std::uint8_t>& bytes, std::size_t offset,
                const std::array<std::uint8_t, N>& head) {
    return bytes.size() >= offset + N &&
           std::equal(head.begin(), head.end(), bytes.begin() + offset);
}

// FF FE and the letters of a flash packet.
bool isPacketHead(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 4 || bytes[0] != wire::kPacketHead0 || bytes[1] != wire::kPacketHead1) {
        return false;
    }
    const std::string_view letters(reinterpret_cast<const char*>(bytes.data()) + 2, 2);
    return letters == "BE" || letters == "PG" || letters == "ED";
}

bool textIs(const std::vector<std::uint8_t>& bytes, std::string_view command) {
    return bytes.size() == command.size() &&
           std::equal(command.begin(), command.end(), bytes.begin());
}

}  // namespace

void MessageFramer::push(std::uint8_t byte, Framing framing, Clock::time_point now) {
    lastByte_ = now;
    if (bytes_.empty()) {
        framing_ = framing;
        shape_ = openingShape(byte, framing);
    }
    bytes_.push_back(byte);
    switch (shape_) {
        case Shape::Packet:
            if (takePacketByte(byte)) {
                return;
            }
            break;
        case Shape::Frame:
            if (takeFrameByte(byte)) {
                return;
            }
            break;
        case Shape::Text:
            break;
    }
    // Text (possibly after a false start as packet or frame).
    takeTextByte(byte);
}

MessageFramer::Shape MessageFramer::openingShape(std::uint8_t byte, Framing framing) {
    switch (framing) {
        case Framing::Text:
            return byte == wire::kPacketHead0 ? Shape::Packet : Shape::Text;
        case Framing::Frame0:
            return canStartFrame0(byte) ? Shape::Frame : Shape::Text;
        case Framing::Frame1:
            return byte == static_cast<std::uint8_t>(wire::kMode1Prefix[0]) ? Shape::Frame
                   : byte == wire::kPacketHead0                             ? Shape::Packet
                                                                            : Shape::Text;
    }
    return Shape::Text;
}

bool MessageFramer::takePacketByte(std::uint8_t byte) {
    const std::size_t size = bytes_.size();
    if (size == 2 && byte != wire::kPacketHead1) {
        shape_ = Shape::Text;  // FF alone is no packet head
        return false;
    }
    if (size == 4) {
        classifyPacket();
    }
    complete_ = size == wire::kPacketSize;
    return true;
}

bool MessageFramer::takeFrameByte(std::uint8_t byte) {
    const std::size_t size = bytes_.size();
    if (framing_ == Framing::Frame1 && size <= wire::kMode1Prefix.size() &&
        byte != static_cast<std::uint8_t>(wire::kMode1Prefix[size - 1])) {
        shape_ = Shape::Text;
        return false;
    }
    if (size == prefixLength() + 4) {
        if (framing_ == Framing::Frame0 && isPacketHead(bytes_)) {
            // A flash packet after a mode 0 connect: FF FE and its letters are no row frame of
            // the top block, which mode 0 never writes.
            shape_ = Shape::Packet;
            classifyPacket();
            return true;
        }
        classifyFrame();
    }
    complete_ = size == expectedLength();
    return true;
}

void MessageFramer::takeTextByte(std::uint8_t byte) {
    if (byte == CR || bytes_.size() >= kMaxTextLength) {
        classifyText();
        complete_ = true;
    }
}

std::size_t MessageFramer::expectedLength() const {
    switch (shape_) {
        case Shape::Packet:
            return wire::kPacketSize;
        case Shape::Frame:
            return prefixLength() + wire::kFrameSize;
        case Shape::Text:
            break;
    }
    return bytes_.size();
}

void MessageFramer::classifyPacket() {
    const std::uint8_t a = bytes_[2];
    const std::uint8_t b = bytes_[3];
    if (a == 'B' && b == 'E') {
        kind_ = MessageKind::EraseBlocks;
    } else if (a == 'P' && b == 'G') {
        kind_ = MessageKind::Program;
    } else if (a == 'E' && b == 'D') {
        kind_ = MessageKind::End;
    } else {
        kind_ = MessageKind::Unknown;
    }
}

void MessageFramer::classifyFrame() {
    const std::size_t head = prefixLength();
    if (bytes_[head] >= 0xC0) {
        kind_ = MessageKind::RowFrame;
    } else if (startsWith(bytes_, head, wire::kEraseFrameHead)) {
        kind_ = MessageKind::EraseFrame;
    } else if (startsWith(bytes_, head, wire::kEndFrameHead)) {
        kind_ = MessageKind::EndFrame;
    } else if (startsWith(bytes_, head, wire::kOkFrameHead)) {
        kind_ = MessageKind::OkFrame;
    } else if (startsWith(bytes_, head, wire::kNgFrameHead)) {
        kind_ = MessageKind::NgFrame;
    } else {
        kind_ = MessageKind::Unknown;
    }
}

void MessageFramer::classifyText() {
    if (textIs(bytes_, wire::kModelCommand)) {
        kind_ = MessageKind::ModelCheck;
    } else if (textIs(bytes_, wire::kConnectCommandMode0)) {
        kind_ = MessageKind::ConnectMode0;
    } else if (textIs(bytes_, wire::kConnectCommandMode1)) {
        kind_ = MessageKind::ConnectMode1;
    } else if (textIs(bytes_, wire::kConnectCommandMode2)) {
        kind_ = MessageKind::ConnectMode2;
    } else if (bytes_.size() > wire::kPortCommandPrefix.size() && bytes_.back() == CR &&
               std::equal(wire::kPortCommandPrefix.begin(), wire::kPortCommandPrefix.end(),
                          bytes_.begin())) {
        kind_ = MessageKind::PortCommand;
    } else {
        kind_ = MessageKind::Unknown;
    }
}

bool MessageFramer::stale(Clock::time_point now) const {
    if (bytes_.empty() || complete_) {
        return false;
    }
    const bool halfPacket = shape_ == Shape::Packet && bytes_.size() == wire::kPacketFirstHalf;
    const auto gap = halfPacket               ? kHalfPacketIdleGap
                     : shape_ == Shape::Frame ? kFrameIdleGap
                                              : kIdleGap;
    return now - lastByte_ > gap;
}

void MessageFramer::reset() {
    bytes_.clear();
    shape_ = Shape::Text;
    kind_.reset();
    complete_ = false;
}

}  // namespace rkt5::sim
