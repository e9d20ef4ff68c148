#include "image/ImageFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "tests/image/TestRecords.h"
#include "tests/support/TempDir.h"

namespace rkt5 {
namespace {

using test::bytesFrom;
using test::hexRecord;
using test::sRecord;

const std::string kHeader = "S0030000FC";
const std::string kEnd = "S804000000FB";

bool sameContent(const FlashImage& a, const FlashImage& b) {
    return std::equal(a.cells(), a.cells() + FlashImage::kCells, b.cells()) &&
           std::equal(a.rowFlags(), a.rowFlags() + FlashImage::kRows, b.rowFlags());
}

// The image the window holds before the drop: something a failed load must not disturb.
FlashImage previousImage() {
    FlashImage image;
    image.storeByte(0xE123, 4, 0x5A);
    image.storeByte(0xC000, 0, 0x00);
    return image;
}

struct FailedLoad {
    const char* what;
    const char* name;
    std::string content;
    Message message;
};

void PrintTo(const FailedLoad& c, std::ostream* os) {
    *os << c.what;
}

Message lineError(const char* text) {
    return {text, "Error", Message::kExclamation};
}
const Message kFileOpenError{"File Open Error", "ERROR", Message::kCritical};

class ImageFileFails : public testing::TestWithParam<FailedLoad> {};

TEST_P(ImageFileFails, ReportsWhatTheWindowShowsAndKeepsThePreviousImage) {
    test::TempDir dir;
    const std::string path = dir.write(GetParam().name, GetParam().content);
    FlashImage image = previousImage();
    const ImageLoadOutcome outcome = LoadImageFile(image, path);
    EXPECT_FALSE(outcome.loaded);
    ASSERT_TRUE(outcome.message.has_value());
    EXPECT_EQ(*outcome.message, GetParam().message);
    EXPECT_TRUE(sameContent(image, previousImage()));
}

const std::string kTwoRecords =
    sRecord(2, 0xC0000, bytesFrom(0, 32)) + "\r\n" + sRecord(2, 0xC0020, bytesFrom(9, 32));

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ImageFileFails,
    testing::Values(
        FailedLoad{"empty line in the middle", "a.mot",
                   kHeader + "\r\n" + kTwoRecords + "\r\n\r\n" + kEnd + "\r\n",
                   lineError("Error Code = 9 ; line number = 4")},
        FailedLoad{"file ending in two line ends", "a.mot", kTwoRecords + "\r\n\r\n",
                   lineError("Error Code = 9 ; line number = 3")},
        FailedLoad{"data below the image after good lines", "a.mot",
                   kTwoRecords + "\r\n" + sRecord(2, 0xBFFF8, bytesFrom(0, 16)) + "\r\n",
                   kFileOpenError},
        FailedLoad{"data running off the top", "a.s19", sRecord(2, 0xFFFF8, bytesFrom(0, 16)),
                   kFileOpenError},
        FailedLoad{"Intel HEX content in a .mot file", "a.mot", hexRecord(1, 0, {}) + "\r\n",
                   lineError("Error Code = 9 ; line number = 1")},
        FailedLoad{"HEX line error names its line", "A.Hex",
                   hexRecord(2, 0, {0xC0, 0x00}) + "\r\n" + hexRecord(0, 0, {1}) + "\r\n" +
                       ":0200000001020A\r\n",
                   lineError("Error Code = 8 ; line number = 3")},
        FailedLoad{"HEX file with LF line ends is one long line", "a.hex",
                   hexRecord(2, 0, {0xC0, 0x00}) + "\n" + hexRecord(0, 0, {1}) + "\n",
                   lineError("Error Code = 3 ; line number = 1")},
        FailedLoad{"binary file", "firmware.bin",
                   std::string("\x7F"
                               "ELF\0\x01\x02\r\n",
                               10),
                   lineError("Error Code = 9 ; line number = 1")}));

TEST(ImageFile, PathsThatCannotBeReadKeepThePreviousImage) {
    test::TempDir dir;
    for (const std::string& path :
         {dir.file("missing.mot"), dir.path().string(), std::string(), std::string("/dev/zero")}) {
        FlashImage image = previousImage();
        const ImageLoadOutcome outcome = LoadImageFile(image, path);
        EXPECT_FALSE(outcome.loaded) << path;
        EXPECT_EQ(outcome.message, kFileOpenError) << path;
        EXPECT_TRUE(sameContent(image, previousImage())) << path;
    }
}

TEST(ImageFile, SuccessfulLoadReplacesTheWholeImage) {
    test::TempDir dir;
    // Line ends of every kind that ends a line: CR LF, CR alone, and none after the last line.
    const std::string path =
        dir.write("fw.mot", kHeader + "\r\n" + sRecord(2, 0xD0008, bytesFrom(0x30, 16)) + "\r" +
                                sRecord(3, 0x000FFFFE, {0xFF, 0x01}) + "\r\n" + kEnd);
    FlashImage image = previousImage();
    const ImageLoadOutcome outcome = LoadImageFile(image, path);
    ASSERT_TRUE(outcome.loaded);
    EXPECT_FALSE(outcome.message.has_value());
    EXPECT_EQ(outcome.lineNumber, 4);

    FlashImage expected;
    for (int i = 0; i < 16; ++i)
        expected.storeByte(0xD000 + (8 + i) / 16, (8 + i) % 16, 0x30 + i);
    expected.storeByte(0xFFFF, 14, 0xFF);
    expected.storeByte(0xFFFF, 15, 0x01);
    EXPECT_TRUE(sameContent(image, expected));
}

TEST(ImageFile, EmptyFileLoadsAnErasedImage) {
    test::TempDir dir;
    FlashImage image = previousImage();
    const ImageLoadOutcome outcome = LoadImageFile(image, dir.write("empty.mot", ""));
    EXPECT_TRUE(outcome.loaded);
    EXPECT_EQ(outcome.lineNumber, 0);
    EXPECT_TRUE(sameContent(image, FlashImage()));
}

TEST(ImageFile, SRecordFileWithLfLineEndsLoadsOnlyItsFirstRecord) {
    test::TempDir dir;
    const std::string data = sRecord(2, 0xC0000, {0x01}) + "\n" + sRecord(2, 0xC0010, {0x02});
    FlashImage image;
    ImageLoadOutcome outcome = LoadImageFile(image, dir.write("lf.mot", data + "\n"));
    ASSERT_TRUE(outcome.loaded);
    EXPECT_EQ(outcome.lineNumber, 1);
    EXPECT_EQ(image.cell(0xC000, 0), 0x01);
    EXPECT_EQ(image.cell(0xC001, 0), 0xFF);

    outcome = LoadImageFile(image, dir.write("lf2.mot", kHeader + "\n" + data));
    ASSERT_TRUE(outcome.loaded);
    EXPECT_TRUE(sameContent(image, FlashImage()));
}

TEST(ImageFile, HexFileWithSegmentRecordsLoads) {
    test::TempDir dir;
    const std::string path =
        dir.write("fw.HEX", hexRecord(2, 0, {0xE0, 0x00}) + "\r\n" +
                                hexRecord(0, 0x1230, bytesFrom(1, 16)) + "\r\n:00000001FF\r\n");
    FlashImage image;
    ASSERT_TRUE(LoadImageFile(image, path).loaded);
    EXPECT_EQ(image.cell(0xE123, 0), 1);
    EXPECT_EQ(image.cell(0xE123, 15), 16);
    // A second file starts again at segment 0, so the same data record now misses the image.
    const std::string second = dir.write("second.hex", hexRecord(0, 0x1230, {1}) + "\r\n");
    EXPECT_EQ(LoadImageFile(image, second).LineErrorCode, 5);
}

struct NameCase {
    const char* path;
    ImageFileFormat format;
};

class ImageFileFormatByName : public testing::TestWithParam<NameCase> {};

TEST_P(ImageFileFormatByName, LastThreeCharactersDecide) {
    EXPECT_EQ(formatForPath(GetParam().path), GetParam().format);
}

INSTANTIATE_TEST_SUITE_P(Names, ImageFileFormatByName,
                         testing::Values(NameCase{"fw.hex", ImageFileFormat::IntelHex},
                                         NameCase{"FW.HEX", ImageFileFormat::IntelHex},
                                         NameCase{"a.hEx", ImageFileFormat::IntelHex},
                                         NameCase{"firmwarehex", ImageFileFormat::IntelHex},
                                         NameCase{"hex", ImageFileFormat::IntelHex},
                                         NameCase{"fw.hex.mot", ImageFileFormat::SRecord},
                                         NameCase{"fw.s19", ImageFileFormat::SRecord},
                                         NameCase{"ex", ImageFileFormat::SRecord},
                                         NameCase{"", ImageFileFormat::SRecord}),
                         [](const testing::TestParamInfo<NameCase>& info) {
                             std::string name(info.param.path);
                             for (char& c : name) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name.empty() ? std::string("empty") : name;
                         });

}  // namespace
}  // namespace rkt5
