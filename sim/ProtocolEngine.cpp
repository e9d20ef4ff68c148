#include "sim/ProtocolEngine.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <string_view>
#include <utility>

#include "common/WireProtocol.h"

namespace rkt5::sim {

namespace {

using wire::CR;
using wire::LF;
using Bytes = std::vector<std::uint8_t>;

// Answers after the echo: X Y CR LF, CR LF X Y CR LF, or a 20-byte frame X Y CR LF + 16 zeros.
Bytes shortReply(std::string_view letters) {
    return {static_cast<std::uint8_t>(letters[0]), static_cast<std::uint8_t>(letters[1]), CR, LF};
}

Bytes statusReply(std::string_view letters) {
    return {CR, LF, static_cast<std::uint8_t>(letters[0]), static_cast<std::uint8_t>(letters[1]),
            CR, LF};
}

Bytes frameReply(std::string_view letters) {
    Bytes frame(wire::kFrameReplySize, 0);
    frame[0] = static_cast<std::uint8_t>(letters[0]);
    frame[1] = static_cast<std::uint8_t>(letters[1]);
    frame[2] = CR;
    frame[3] = LF;
    return frame;
}

// Every block below the top one, and the top one.
constexpr std::size_t kMaxEraseEntries = wire::kEraseBlocks.size() + 1;
constexpr std::uint32_t kEraseListEnd = 0xFFFFFFFF;
// The frame ERASE command clears everything below the top block.
constexpr std::uint32_t kFrameEraseFirst = 0xC0000;
constexpr std::uint32_t kFrameEraseLast = 0xFEFFF;
constexpr std::size_t kRowSize = 16;

// The block a "BE" packet names by its top, if there is one.
const wire::EraseBlock* eraseBlockNamed(std::uint32_t top) {
    if (top == wire::kTopEraseBlock.top()) {
        return &wire::kTopEraseBlock;
    }
    const auto* block = std::find_if(wire::kEraseBlocks.begin(), wire::kEraseBlocks.end(),
                                     [top](const wire::EraseBlock& b) { return b.top() == top; });
    return block == wire::kEraseBlocks.end() ? nullptr : block;
}

bool checksumMatches(const Bytes& packet) {
    const unsigned sum =
        std::accumulate(packet.begin() + 2, packet.begin() + wire::kPacketChecksumOffset, 0U);
    return static_cast<std::uint8_t>(sum) == packet[wire::kPacketChecksumOffset];
}

std::uint32_t bigEndian(const Bytes& bytes, std::size_t offset, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value = value << 8 | bytes[offset + i];
    }
    return value;
}

}  // namespace

ProtocolEngine::ProtocolEngine(const SimulatorOptions& options)
    : regionOther_(options.regionOther),
      programTime_(options.programTime),
      flash_(options.initialFlash ? FlashMemory(*options.initialFlash) : FlashMemory()),
      faultPlan_(options.faults, options.randomFaultRate, options.seed, options.randomLateDelay),
      echoWaitsForKind_(faultPlan_.touchesEcho()) {}

Framing ProtocolEngine::framing() const {
    switch (mode_) {
        case Mode::Frame0:
            return Framing::Frame0;
        case Mode::Frame1:
            return Framing::Frame1;
        default:
            return Framing::Text;
    }
}

EngineOutput ProtocolEngine::receive(std::span<const std::uint8_t> bytes, Clock::time_point now,
                                     int lineSpeed) {
    EngineOutput out;
    Bytes echo;
    if (framer_.stale(now)) {
        dropPartial();
    }
    for (const std::uint8_t byte : bytes) {
        framer_.push(byte, framing(), now);
        if (!faults_ && framer_.kind()) {
            faults_ = faultPlan_.next(*framer_.kind());
        }
        // Each byte is echoed as it arrives. A fault that may take the echo holds it back until
        // the message is named (its fourth byte, or the CR of a text command); the updater
        // writes each message in one go, so that is brief.
        if (faults_ || !echoWaitsForKind_) {
            releaseEcho(echo, faults_ ? *faults_ : MessageFaults{});
        }
        if (faults_) {
            if (faults_->hangUpAfter && framer_.bytes().size() >= *faults_->hangUpAfter) {
                // The line drops at once: nothing more of this read goes out or is read.
                dropPartial();
                out.pieces.clear();
                out.hangUp = true;
                return out;
            }
        }
        if (framer_.complete()) {
            finishMessage(out, echo, lineSpeed);
        }
    }
    if (!echo.empty()) {
        out.pieces.push_back({std::move(echo), {}});
    }
    return out;
}

void ProtocolEngine::lineLost() {
    if (!framer_.empty()) {
        dropPartial();
    }
}

void ProtocolEngine::clientClosed() {
    lineLost();
    pendingRow_.reset();
}

void ProtocolEngine::dropPartial() {
    // A message cut short fits no kind; the log keeps its bytes for whoever investigates.
    log_.push_back({MessageKind::Unknown, framer_.bytes(), 0});
    framer_.reset();
    faults_.reset();
    echoed_ = 0;
}

void ProtocolEngine::releaseEcho(Bytes& echo, const MessageFaults& faults) {
    const Bytes& bytes = framer_.bytes();
    const std::size_t total = framer_.expectedLength();
    const std::size_t prefix = framer_.prefixLength();
    for (; echoed_ < bytes.size(); ++echoed_) {
        // Dropped echo bytes are the last ones of the message.
        if (faults.silent || echoed_ + faults.dropEcho >= total) {
            continue;
        }
        std::uint8_t byte = bytes[echoed_];
        if (faults.corruptEchoAt && *faults.corruptEchoAt + prefix == echoed_) {
            byte = static_cast<std::uint8_t>(~byte);
        }
        echo.push_back(byte);
    }
}

void ProtocolEngine::finishMessage(EngineOutput& out, Bytes& echo, int lineSpeed) {
    const MessageKind kind = *framer_.kind();
    Bytes bytes = framer_.bytes();
    const MessageFaults faults = *faults_;
    const bool isFrame = framer_.isFrame();
    const std::size_t prefix = framer_.prefixLength();
    framer_.reset();
    faults_.reset();
    echoed_ = 0;

    std::chrono::milliseconds gap{0};
    Bytes answer;
    if (faults.reply) {
        answer = shapedReply(kind, isFrame, *faults.reply);
    } else if (!faults.silent) {
        answer = carryOut(kind, bytes, isFrame, prefix, out, gap);
    }
    log_.push_back({kind, std::move(bytes), lineSpeed});
    if (answer.empty()) {
        return;
    }
    // The row frame sent back is the updater's check of what arrived, so a corrupted echo
    // shows there too.
    if (kind == MessageKind::RowFrame && faults.corruptEchoAt &&
        *faults.corruptEchoAt < answer.size()) {
        answer[*faults.corruptEchoAt] = static_cast<std::uint8_t>(~answer[*faults.corruptEchoAt]);
    }
    if (faults.corruptReplyAt && *faults.corruptReplyAt < answer.size()) {
        answer[*faults.corruptReplyAt] = static_cast<std::uint8_t>(~answer[*faults.corruptReplyAt]);
    }
    if (faults.partialReply) {
        answer.resize(std::min(answer.size(), *faults.partialReply));
    }
    gap += faults.late;
    if (!echo.empty()) {
        out.pieces.push_back({std::move(echo), {}});
        echo.clear();
    }
    out.pieces.push_back({std::move(answer), gap});
}

Bytes ProtocolEngine::shapedReply(MessageKind kind, bool isFrame, const std::string& reply) {
    if (reply.size() != 2) {
        return Bytes(reply.begin(), reply.end());
    }
    switch (kind) {
        case MessageKind::ModelCheck:
        case MessageKind::PortCommand:
            return statusReply(reply);
        case MessageKind::ConnectMode0:
        case MessageKind::ConnectMode1:
            return frameReply(reply);
        default:
            return isFrame ? frameReply(reply) : shortReply(reply);
    }
}

Bytes ProtocolEngine::carryOut(MessageKind kind, const Bytes& bytes, bool isFrame,
                               std::size_t prefix, EngineOutput& out,
                               std::chrono::milliseconds& gap) {
    switch (kind) {
        case MessageKind::ModelCheck:
            return statusReply(regionOther_ ? "RE" : "OK");
        case MessageKind::ConnectMode0:
            mode_ = Mode::Frame0;
            pendingRow_.reset();
            return frameReply("OK");
        case MessageKind::ConnectMode1:
            mode_ = Mode::Frame1;
            pendingRow_.reset();
            return frameReply("OK");
        case MessageKind::ConnectMode2:
            mode_ = Mode::Flash;
            pendingRow_.reset();
            return shortReply("CT");
        case MessageKind::PortCommand: {
            const std::size_t start = wire::kPortCommandPrefix.size();
            const std::string body(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                                   bytes.end() - 1);
            return statusReply(pins_.run(body));
        }
        case MessageKind::EraseBlocks:
        case MessageKind::Program:
        case MessageKind::End:
            return packetAnswer(kind, bytes, out, gap);
        case MessageKind::EraseFrame:
        case MessageKind::EndFrame:
        case MessageKind::RowFrame:
        case MessageKind::OkFrame:
        case MessageKind::NgFrame:
            return frameAnswer(kind, std::span(bytes).subspan(prefix), out, gap);
        case MessageKind::Unknown:
            break;
    }
    return isFrame ? frameReply("NG") : shortReply("NG");
}

Bytes ProtocolEngine::packetAnswer(MessageKind kind, const Bytes& packet, EngineOutput& out,
                                   std::chrono::milliseconds& gap) {
    if (mode_ != Mode::Flash || !checksumMatches(packet)) {
        return shortReply("NG");
    }
    switch (kind) {
        case MessageKind::EraseBlocks: {
            // Check the whole list before erasing anything: a bad list erases nothing.
            std::vector<const wire::EraseBlock*> blocks;
            for (std::size_t entry = 0; entry < kMaxEraseEntries; ++entry) {
                const std::uint32_t top =
                    bigEndian(packet, wire::kPacketPayloadOffset + 4 * entry, 4);
                if (top == kEraseListEnd) {
                    break;
                }
                const wire::EraseBlock* block = eraseBlockNamed(top);
                if (block == nullptr) {
                    return shortReply("NG");
                }
                blocks.push_back(block);
            }
            for (const wire::EraseBlock* block : blocks) {
                flash_.erase(block->first, block->last);
            }
            return shortReply("BE");
        }
        case MessageKind::Program: {
            const std::uint32_t address = bigEndian(packet, wire::kProgramAddressOffset, 3);
            if (address % wire::kBlockSize != 0 ||
                !flash_.program(address, std::span(packet).subspan(wire::kProgramDataOffset,
                                                                   wire::kBlockSize))) {
                return shortReply("NG");
            }
            gap = programTime_;
            return shortReply("PG");
        }
        case MessageKind::End:
            mode_ = Mode::Normal;
            out.flashModeLeft = true;
            return shortReply("ED");
        default:
            return shortReply("NG");
    }
}

Bytes ProtocolEngine::frameAnswer(MessageKind kind, std::span<const std::uint8_t> frame,
                                  EngineOutput& out, std::chrono::milliseconds& gap) {
    switch (kind) {
        case MessageKind::EraseFrame:
            flash_.erase(kFrameEraseFirst, kFrameEraseLast);
            pendingRow_.reset();
            return frameReply("OK");
        case MessageKind::EndFrame:
            mode_ = Mode::Normal;
            pendingRow_.reset();
            out.flashModeLeft = true;
            return frameReply("OK");
        case MessageKind::RowFrame:
            // Sent back for the updater to compare; programmed only on its OK frame.
            pendingRow_ = Bytes(frame.begin(), frame.end());
            return *pendingRow_;
        case MessageKind::OkFrame: {
            if (!pendingRow_) {
                return frameReply("NG");
            }
            const Bytes row = std::exchange(pendingRow_, std::nullopt).value();
            // Byte 0 is row / 256 and byte 1 row mod 256; the row is the address / 16.
            const std::uint32_t address = (std::uint32_t{row[0]} << 8 | row[1]) * kRowSize;
            if (!flash_.program(address, std::span(row).subspan(2, kRowSize))) {
                return frameReply("NG");
            }
            gap = programTime_;
            return frameReply("OK");
        }
        case MessageKind::NgFrame:
            pendingRow_.reset();
            return frameReply("OK");
        default:
            return frameReply("NG");
    }
}

}  // namespace rkt5::sim
