#include "cli/protocol/StationProgress.h"
#include "cli/protocol/TerminalProgress.h"
#include "common/WireProtocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

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
    progress.finish(false);

    const std::string text = contents(out);
    std::size_t lines = 0;
    for (const char c : text) {
        lines += c == '\r';
    }
    EXPECT_EQ(lines, 2u) << "one draw at the start, one at the end";
    EXPECT_NE(text.find("D8C00"), std::string::npos) << text;
    EXPECT_EQ(text.back(), '\n');
}

// The first line has no rate yet and says so in more characters than a known time left takes; a
// later, shorter line must cover it whole, and a write that completed ends full.
TEST(TerminalProgress, EachRedrawCoversTheLastAndACompletedWriteEndsAtAHundred) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    TerminalProgress progress(out);
    const auto t0 = TerminalProgress::Clock::now();
    progress.update(0xC0000, 0xFF000, t0);
    progress.update(0xC8000, 0xFF000, t0 + 4s);
    progress.finish(true);

    const std::string text = contents(out);
    ASSERT_EQ(text.back(), '\n');
    std::vector<std::string> draws;
    for (std::size_t at = text.find('\r'); at != std::string::npos;) {
        const std::size_t next = text.find_first_of("\r\n", at + 1);
        draws.push_back(text.substr(at + 1, next - at - 1));
        at = text.find('\r', next);
    }
    ASSERT_EQ(draws.size(), 3u) << text;
    for (std::size_t i = 1; i < draws.size(); ++i) {
        EXPECT_GE(draws[i].size(), draws[i - 1].size()) << draws[i];
    }
    EXPECT_TRUE(draws.back().starts_with("FF000 [########################] 100%")) << draws.back();
    EXPECT_NE(draws.back().find("0:00 left"), std::string::npos) << draws.back();
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
