#include <gtest/gtest.h>

#include <string>

#include "sim/LinePacer.h"

namespace rkt5::sim {
namespace {

using namespace std::chrono_literals;
using Clock = LinePacer::Clock;

const Clock::time_point t0{};

std::vector<std::uint8_t> bytes(std::size_t n) {
    return std::vector<std::uint8_t>(n, 0x55);
}

TEST(LinePacer, ByteTimeIsTenBitTimes) {
    EXPECT_EQ(LinePacer::byteTime(9600), Clock::duration(1'041'666));
    // A full update's worth of bytes at 57600 bit/s: 254 packets of 1036 bytes, about 45.7 s.
    const auto total = LinePacer::byteTime(57600) * (254 * 1036);
    EXPECT_NEAR(std::chrono::duration<double>(total).count(), 254 * 1036 * 10 / 57600.0, 1e-3);
}

TEST(LinePacer, ScheduleIsAbsoluteSoLateWritesDoNotStretchIt) {
    LinePacer pacer;
    pacer.enqueue(bytes(10), 1ms, 0ms, t0);
    // More bytes arrive while the line is still busy: they follow the first ones back to back,
    // however late the writer wakes.
    pacer.enqueue(bytes(5), 1ms, 0ms, t0 + 3ms);
    EXPECT_EQ(pacer.due(t0 + 14ms).size(), 14u);
    EXPECT_EQ(pacer.due(t0 + 15ms).size(), 15u);
    pacer.remove(15);
    EXPECT_TRUE(pacer.empty());
    // Once the line is idle, the next byte is due one byte time after it arrives.
    pacer.enqueue(bytes(1), 1ms, 0ms, t0 + 100ms);
    EXPECT_TRUE(pacer.due(t0 + 100ms).empty());
    EXPECT_EQ(pacer.due(t0 + 101ms).size(), 1u);
}

TEST(LinePacer, APieceAfterAGapGoesOutWhenReadyBetweenTheBytesOnTheirWay) {
    LinePacer pacer;
    pacer.enqueue(std::vector<std::uint8_t>(4, 'e'), 1ms, 0ms, t0);
    pacer.enqueue(std::vector<std::uint8_t>(2, 'A'), 1ms, 30ms, t0);
    // The next echo is not held back by the answer still being prepared...
    pacer.enqueue(std::vector<std::uint8_t>(10, 'n'), 1ms, 0ms, t0 + 30ms);
    pacer.release(t0 + 34ms);
    EXPECT_EQ(pacer.due(t0 + 33ms), std::vector<std::uint8_t>({'e', 'e', 'e', 'e', 'n', 'n', 'n'}));
    // ...and the answer lands inside it, pushing the rest back.
    const std::vector<std::uint8_t> line = pacer.due(t0 + 42ms);
    EXPECT_EQ(std::string(line.begin(), line.end()), "eeeennnnAAnnnnnn");

    LinePacer held;
    held.enqueue(bytes(2), 1ms, 30ms, t0);
    EXPECT_EQ(held.nextWake(t0), t0 + 30ms) << "woken to release it";
    held.clear();
    EXPECT_TRUE(held.empty());
}

TEST(LinePacer, WakesInBatchesButExactlyForTheLastByteOfAPiece) {
    LinePacer pacer;
    EXPECT_FALSE(pacer.nextWake(t0));
    pacer.enqueue(bytes(100), 1ms, 0ms, t0);
    EXPECT_EQ(pacer.nextWake(t0), t0 + LinePacer::kBatchPeriod);
    EXPECT_EQ(pacer.nextWake(t0 + 95ms), t0 + 100ms);

    LinePacer shortPiece;
    shortPiece.enqueue(bytes(3), 1ms, 0ms, t0);
    EXPECT_EQ(shortPiece.nextWake(t0), t0 + 3ms);

    // On a fast line a batch is full before the latency period ends.
    LinePacer fastLine;
    fastLine.enqueue(bytes(100), 100us, 0ms, t0);
    EXPECT_EQ(fastLine.nextWake(t0), t0 + LinePacer::kBatchBytes * 100us);
}

TEST(LinePacer, AnAdapterLatencyHoldsTheLastBytesOfAReplyBack) {
    LinePacer fast;
    fast.setAdapterLatency(16ms);
    // 70 bytes 0.1 ms apart: the first 62 go as soon as the 62nd is in, the last 8 when the
    // latency timer started by the 63rd runs out, long after the 70th was due.
    fast.enqueue(bytes(70), 100us, 0ms, t0);
    EXPECT_EQ(fast.nextWake(t0), t0 + 6200us);
    EXPECT_TRUE(fast.due(t0 + 6100us).empty());
    EXPECT_EQ(fast.due(t0 + 6200us).size(), 62u);
    fast.remove(62);
    EXPECT_EQ(fast.nextWake(t0 + 6200us), t0 + 6300us + 16ms);
    EXPECT_TRUE(fast.due(t0 + 22200us).empty());
    EXPECT_EQ(fast.due(t0 + 22300us).size(), 8u);

    // On a slow line the timer ends a batch first: what came in within 16 ms of its first byte.
    LinePacer slow;
    slow.setAdapterLatency(16ms);
    slow.enqueue(bytes(40), 1ms, 0ms, t0);
    EXPECT_EQ(slow.nextWake(t0), t0 + 17ms);
    EXPECT_EQ(slow.due(t0 + 17ms).size(), 17u);
}

TEST(LinePacer, UnpacedBytesAreDueAtOnce) {
    LinePacer pacer;
    pacer.enqueue(bytes(1000), Clock::duration::zero(), 0ms, t0);
    EXPECT_EQ(pacer.due(t0).size(), 1000u);
}

}  // namespace
}  // namespace rkt5::sim
