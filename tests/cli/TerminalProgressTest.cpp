#include "cli/protocol/TerminalProgress.h"

#include <gtest/gtest.h>

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

TEST(TerminalProgress, RedrawsAtMostAFewTimesASecondButAlwaysEndsOnTheLastAddress) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    TerminalProgress progress(out);
    const auto t0 = TerminalProgress::Clock::now();
    for (int i = 0; i < 100; ++i) {
        progress.update(0xC0000 + i * 0x400, 0x100000, t0 + i * 1ms);
    }
    progress.finish();

    std::rewind(out);
    std::string text;
    for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) {
        text += static_cast<char>(c);
    }
    std::fclose(out);
    std::size_t lines = 0;
    for (const char c : text) {
        lines += c == '\r';
    }
    EXPECT_EQ(lines, 2u) << "one draw at the start, one at the end";
    EXPECT_NE(text.find("D8C00"), std::string::npos) << text;
    EXPECT_EQ(text.back(), '\n');
}

}  // namespace
}  // namespace rkt5
