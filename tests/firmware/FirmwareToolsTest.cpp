// The generator reproduces the committed text, and the build-time converter refuses text that
// cannot go into the table.

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/firmware/TestFiles.h"

namespace {

using rkt5::test::readBytes;
using rkt5::test::runTool;
using rkt5::test::TempDir;
using rkt5::test::writeFile;

TEST(FirmwareGenerator, ReproducesTheCommittedTextByteForByte) {
    TempDir dir;
    const auto output = dir.file("EG5000.mot");
    const auto result = runTool(RKT5_MAKE_FIRMWARE, {output}, dir.file("stderr"));
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    const std::string made = readBytes(output);
    const std::string committed = readBytes(RKT5_FIRMWARE_TEXT);
    ASSERT_EQ(made.size(), committed.size());
    EXPECT_TRUE(made == committed) << "the generator no longer makes the committed text";
}

std::string validLines(int count) {
    std::string text = "S0030000FC\n";
    for (int i = 1; i < count; ++i) {
        text += "S804000000FB\n";
    }
    return text;
}

struct RejectedText {
    const char* name;
    std::string text;
    const char* message;  // part of what the converter must say
};

void PrintTo(const RejectedText& rejected, std::ostream* os) {
    *os << rejected.name;
}

class EmbedFirmwareRejects : public ::testing::TestWithParam<RejectedText> {};

TEST_P(EmbedFirmwareRejects, FailsWithAClearMessageAndNoOutput) {
    TempDir dir;
    writeFile(dir.file("in.mot"), GetParam().text);
    const auto output = dir.file("out.cpp");
    const auto result =
        runTool(RKT5_EMBED_FIRMWARE, {dir.file("in.mot"), output}, dir.file("stderr"));
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.errors.find(GetParam().message), std::string::npos) << result.errors;
    EXPECT_FALSE(std::filesystem::exists(output));
}

INSTANTIATE_TEST_SUITE_P(
    BadText, EmbedFirmwareRejects,
    ::testing::Values(
        RejectedText{"too_many_lines", validLines(9001), "more than 9000 lines"},
        RejectedText{"lower_case_hex", "S0030000FC\nS2050C0000ab45\n",
                     "in.mot:2:11: character 0x61 is not an S-record character"},
        RejectedText{"quote_in_line", "S0030000FC\nS2050C00\"0AB45\n", "character 0x22"},
        RejectedText{"carriage_return_inside", "S0030000FC\r\rS804000000FB\n", "character 0x0D"},
        RejectedText{"blank_line", "S0030000FC\n\nS804000000FB\n", "in.mot:2: not an S-record"},
        RejectedText{"empty_file", "", "no lines"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EmbedFirmware, AcceptsAFullTableAndCrLfLineEnds) {
    TempDir dir;
    std::string crlf = validLines(9000);
    for (std::size_t at = 0; (at = crlf.find('\n', at)) != std::string::npos; at += 2) {
        crlf.insert(at, "\r");
    }
    writeFile(dir.file("lf.mot"), validLines(9000));
    writeFile(dir.file("crlf.mot"), crlf);
    for (const char* name : {"lf", "crlf"}) {
        const auto result =
            runTool(RKT5_EMBED_FIRMWARE,
                    {dir.file(std::string(name) + ".mot"), dir.file(std::string(name) + ".cpp")},
                    dir.file("stderr"));
        ASSERT_EQ(result.exitCode, 0) << name << ": " << result.errors;
    }
    const std::string code = readBytes(dir.file("lf.cpp"));
    EXPECT_EQ(code, readBytes(dir.file("crlf.cpp")));
    EXPECT_NE(code.find("FirmwareLineCount = 9000;"), std::string::npos);
    EXPECT_EQ(code.find('\r'), std::string::npos);
}

}  // namespace
