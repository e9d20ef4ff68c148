#pragma once

// Drives the protocol engine the way the pseudo-terminal server does, with a clock the test
// moves by hand.

#include <chrono>
#include <cstdint>
#include <numeric>
#include <string_view>
#include <vector>

#include "common/WireProtocol.h"
#include "sim/ProtocolEngine.h"

namespace rkt5::sim::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

inline Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A flash packet: FF FE, letters, payload (rest 0xFF), checksum of bytes 2..1030.
inline Bytes packet(std::string_view letters, const Bytes& payload = {}) {
    Bytes p(wire::kPacketSize, 0xFF);
    p[1] = wire::kPacketHead1;
    p[2] = static_cast<std::uint8_t>(letters[0]);
    p[3] = static_cast<std::uint8_t>(letters[1]);
    std::copy(payload.begin(), payload.end(), p.begin() + wire::kPacketPayloadOffset);
    p[wire::kPacketChecksumOffset] = static_cast<std::uint8_t>(
        std::accumulate(p.begin() + 2, p.begin() + wire::kPacketChecksumOffset, 0U));
    return p;
}

inline Bytes programPacket(std::uint32_t address, std::uint8_t fill) {
    Bytes payload{static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(address >> 8),
                  static_cast<std::uint8_t>(address)};
    payload.resize(3 + wire::kBlockSize, fill);
    return packet("PG", payload);
}

inline Bytes eraseAllPacket() {
    Bytes payload;
    for (const std::uint32_t top : wire::kEraseBlockTops) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            payload.push_back(static_cast<std::uint8_t>(top >> shift));
        }
    }
    return packet("BE", payload);
}

// A mode 0 frame: 4 head bytes then 16 more.
inline Bytes frame(std::initializer_list<std::uint8_t> head, std::uint8_t fill = 0) {
    Bytes f(head);
    f.resize(wire::kFrameSize, fill);
    return f;
}

inline Bytes rowFrame(unsigned row, std::uint8_t fill) {
    Bytes f{static_cast<std::uint8_t>(row / 256), static_cast<std::uint8_t>(row % 256)};
    f.resize(18, fill);
    f.resize(wire::kFrameSize, 0);
    return f;
}

inline Bytes withPrefix(const Bytes& f) {
    return concat(bytesOf(wire::kMode1Prefix), f);
}

struct EngineHarness {
    explicit EngineHarness(SimulatorOptions options = {}) : engine(options) {}

    // Feeds bytes and returns everything that would go on the line (echo and answers).
    Bytes send(const Bytes& bytes) {
        last = engine.receive(bytes, now, 57600);
        Bytes out;
        for (const OutputPiece& piece : last.pieces) {
            out = concat(out, piece.bytes);
        }
        return out;
    }
    Bytes send(std::string_view text) { return send(bytesOf(text)); }

    // The answer part alone: what follows the echo of `bytes`.
    Bytes answerTo(const Bytes& bytes) {
        const Bytes out = send(bytes);
        return out.size() >= bytes.size()
                   ? Bytes(out.begin() + static_cast<long>(bytes.size()), out.end())
                   : Bytes{};
    }
    Bytes answerTo(std::string_view text) { return answerTo(bytesOf(text)); }

    void advance(std::chrono::milliseconds d) { now += d; }

    ProtocolEngine engine;
    ProtocolEngine::Clock::time_point now{};
    EngineOutput last;
};

}  // namespace rkt5::sim::test
