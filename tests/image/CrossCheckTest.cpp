// The image our loaders build, compared byte for byte with what two independent S-record and
// Intel HEX readers make of the same text.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "image/ImageFile.h"
#include "image/StartupImage.h"
#include "tests/support/TempDir.h"
#include "tests/image/TestRecords.h"

namespace rkt5 {
namespace {

using test::bytesFrom;
using test::hexRecord;
using test::sRecord;

std::string imageBytes(const FlashImage& image) {
    std::string bytes(FlashImage::kCells, '\0');
    for (int i = 0; i < FlashImage::kCells; ++i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<char>(image.cells()[i] & 0xFF);
    }
    return bytes;
}

void run(const std::string& command) {
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

// srec_cat fills the whole window itself.
std::string viaSrecCat(const test::TempDir& dir, const std::string& input, const char* format) {
    const std::string out = dir.file("srec_cat.bin");
    run(std::string(RKT5_SREC_CAT) + " " + quoted(input) + " " + format +
        " -fill 0xFF 0xC0000 0x100000 -offset -0xC0000 -o " + quoted(out) + " -binary");
    return test::readBytes(out);
}

// objcopy writes from the lowest to the highest address given; pad both ends with 0xFF.
std::string viaObjcopy(const test::TempDir& dir, const std::string& input, const char* format,
                       std::uint32_t lowestAddress) {
    const std::string out = dir.file("objcopy.bin");
    run(std::string(RKT5_OBJCOPY) + " -I " + format + " -O binary --gap-fill 0xFF " +
        quoted(input) + " " + quoted(out));
    std::string bytes(lowestAddress - 0xC0000, '\xFF');
    bytes += test::readBytes(out);
    bytes.resize(FlashImage::kCells, '\xFF');
    return bytes;
}

TEST(CrossCheck, BuiltInFirmwareMatchesBothTools) {
    auto image = std::make_unique<FlashImage>();
    auto table = std::make_unique<FirmwareTable>();
    buildStartupImage(*image, *table);
    const std::string ours = imageBytes(*image);
    test::TempDir dir;
    EXPECT_TRUE(ours == viaSrecCat(dir, RKT5_FIRMWARE_TEXT, "")) << "srec_cat differs";
    EXPECT_TRUE(ours == viaObjcopy(dir, RKT5_FIRMWARE_TEXT, "srec", 0xC0000)) << "objcopy differs";
}

struct HandMade {
    const char* name;
    std::vector<std::string> lines;
    std::uint32_t lowestAddress;
};

void PrintTo(const HandMade& c, std::ostream* os) {
    *os << c.name;
}

std::string join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

class CrossCheckFile : public testing::TestWithParam<HandMade> {};

TEST_P(CrossCheckFile, LoadedImageMatchesBothTools) {
    test::TempDir dir;
    const std::string path = dir.write(GetParam().name, join(GetParam().lines));
    auto image = std::make_unique<FlashImage>();
    const ImageLoadOutcome outcome = LoadImageFile(*image, path);
    ASSERT_TRUE(outcome.loaded) << (outcome.message ? outcome.message->text : "");
    const bool hex = formatForPath(path) == ImageFileFormat::IntelHex;
    const std::string ours = imageBytes(*image);
    EXPECT_TRUE(ours == viaSrecCat(dir, path, hex ? "-intel" : "")) << "srec_cat differs";
    EXPECT_TRUE(ours == viaObjcopy(dir, path, hex ? "ihex" : "srec", GetParam().lowestAddress))
        << "objcopy differs";
}

INSTANTIATE_TEST_SUITE_P(
    Files, CrossCheckFile,
    testing::Values(HandMade{"gaps.mot",
                             {"S0030000FC", sRecord(2, 0xC0003, bytesFrom(1, 29)),
                              sRecord(2, 0xC0021, bytesFrom(50, 32)),  // one-byte gap at 0xC0020
                              sRecord(2, 0xC1000, std::vector<std::uint8_t>(32, 0xFF)),
                              sRecord(2, 0xE7FF7, bytesFrom(3, 17)),
                              sRecord(2, 0xFFFE0, bytesFrom(9, 32)), "S804000000FB"},
                             0xC0003},
                    HandMade{
                        "s3.s19",
                        {sRecord(3, 0x000D0010, bytesFrom(7, 16)), sRecord(3, 0x000D0400, {0x00}),
                         sRecord(2, 0xF0000, bytesFrom(0, 1)), "S70500000000FA"},
                        0xD0010},
                    HandMade{"segments.hex",
                             {hexRecord(2, 0, {0xC0, 0x00}), hexRecord(0, 0x0010, bytesFrom(1, 16)),
                              hexRecord(0, 0x0025, bytesFrom(40, 11)),
                              hexRecord(2, 0, {0xFF, 0xF0}), hexRecord(0, 0x00F8, bytesFrom(2, 8)),
                              hexRecord(3, 0, {0, 0, 0, 0}), ":00000001FF"},
                             0xC0010}));

}  // namespace
}  // namespace rkt5
