#include "cli/protocol/StationProgress.h"
#include "cli/protocol/TerminalProgress.h"
#include "common/WireProtocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace rkt5 {
namespace {

using namespace std::chrono_literals;

TEST(TerminalProgress, LineShowsAddressShareRateAndTimeLeft) {
    // A quarter of 0xC0000-0xFFFFF in 16 s: 4 KB/s, 48 s to go.
    EXPECT_EQ(TerminalProgress::lineText(0xD0000, 0x100000, 16s),
              "D0000 [######..................]  25%     4.0 KB/s  0:48 left");
    EXPECT_EQ(TerminalProgress::lineText(0xC0000, 0xFF000, 0s),
              "C0000 [........................]   0%     0.0 KB/s  --:-- left");
    EXPECT_EQ(TerminalProgress::lineText(0xFF000, 0xFF000, 60s).substr(0, 37),
              "FF000 [########################] 100%");
}

std::string contents(std::FILE* out) {
    std::rewind(out);
    std::string text;
    for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) {
        text += static_cast<char>(c);
    }
    std::fclose(out);
    return text;
}

TEST(TerminalProgress, RedrawsAtMostAFewTimesASecondButAlwaysEndsOnTheLastAddress) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    TerminalProgress progress(out);
    const auto t0 = TerminalProgress::Clock::now();
    for (int i = 0; i < 100; ++i) {
        progress.update(0xC0000 + i * 0x400, 0x100000, t0 + i * 1ms);
    }
    progress.finish();

    const std::string text = contents(out);
    std::size_t lines = 0;
    for (const char c : text) {
        lines += c == '\r';
    }
    EXPECT_EQ(lines, 2u) << "one draw at the start, one at the end";
    EXPECT_NE(text.find("D8C00"), std::string::npos) << text;
    EXPECT_EQ(text.back(), '\n');
}

// Off a terminal each port gets a plain line at its start, at each tenth of the write however the
// blocks fall, and at its end: a log of a long run says how far every unit got.
TEST(StationProgress, WithoutATerminalEachPortWritesAPlainLineAtEveryTenth) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    StationProgress progress(out, false, {{1, "/dev/pts/7", {}, {}}, {12, "/dev/ttyUSB0", {}, {}}},
                             wire::kTopBlockStart);
    progress.started(0);
    for (int row = 0xC000; row < 0xFF00; row += 0x40) {
        progress.progressed(0, row);
    }
    UnitResult result;
    result.outcome.message.text = "Completed.";
    progress.finished(0, result);

    const std::string text = contents(out);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11) << text;
    EXPECT_TRUE(text.starts_with("COM1 /dev/pts/7     checking the model\n")) << text;
    for (const char* tenth : {" 10%", " 50%", " 90%"}) {
        EXPECT_NE(text.find(tenth), std::string::npos) << tenth;
    }
    EXPECT_TRUE(text.ends_with("COM1 /dev/pts/7     Completed.\n")) << text;
}

}  // namespace
}  // namespace rkt5
