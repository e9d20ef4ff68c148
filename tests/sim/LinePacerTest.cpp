#include <gtest/gtest.h>

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

TEST(LinePacer, GapDelaysThePieceAfterThePreviousOneHasGoneOut) {
    LinePacer pacer;
    pacer.enqueue(bytes(4), 1ms, 0ms, t0);
    pacer.enqueue(bytes(2), 1ms, 30ms, t0);
    EXPECT_EQ(pacer.due(t0 + 34ms).size(), 4u);
    EXPECT_EQ(pacer.due(t0 + 35ms).size(), 5u);
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

TEST(LinePacer, UnpacedBytesAreDueAtOnce) {
    LinePacer pacer;
    pacer.enqueue(bytes(1000), Clock::duration::zero(), 0ms, t0);
    EXPECT_EQ(pacer.due(t0).size(), 1000u);
}

}  // namespace
}  // namespace rkt5::sim
