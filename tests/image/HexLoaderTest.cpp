#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "image/ImageLoader.h"
#include "tests/image/TestRecords.h"

namespace rkt5 {
namespace {

using test::bytesFrom;
using test::hexRecord;

bool untouched(const FlashImage& image) {
    return std::all_of(image.cells(), image.cells() + FlashImage::kCells,
                       [](std::int16_t c) { return c == 0xFF; }) &&
           std::none_of(image.rowFlags(), image.rowFlags() + FlashImage::kRows,
                        [](bool f) { return f; });
}

const std::string kSegmentC000 = hexRecord(2, 0, {0xC0, 0x00});

struct HexCase {
    const char* what;
    std::string line;
    int code;
};

void PrintTo(const HexCase& c, std::ostream* os) {
    *os << c.what << ": \"" << c.line << "\"";
}

// Every refused line here would also fail a later check, so the table pins the order of checks.
class HexLineRefused : public testing::TestWithParam<HexCase> {};

TEST_P(HexLineRefused, GivesItsCodeAndStoresNothing) {
    FlashImage image;
    ImageLoader loader(image);
    loader.LoadHexLine(kSegmentC000);  // so data rows can reach the image
    loader.LoadHexLine(GetParam().line);
    EXPECT_EQ(loader.LineErrorCode(), GetParam().code);
    EXPECT_TRUE(untouched(image));
}

INSTANTIATE_TEST_SUITE_P(
    Codes, HexLineRefused,
    testing::Values(
        HexCase{"empty line", "", 9}, HexCase{"S-record", "S2080C000001020304E6", 9},
        HexCase{"space before colon", " :0400000001020304F2", 9},
        HexCase{"lower-case end record", ":00000001ff", 1},
        HexCase{"short data record", ":000000", 1},
        HexCase{"17 bytes, length fits, bad type digit", ":11000010" + std::string(36, '0'), 2},
        HexCase{"trailing space", hexRecord(0, 0x0000, {1, 2, 3}) + " ", 3},
        HexCase{"type written 10, checksum wrong", ":020000100102FF", 4},
        HexCase{"type 04", hexRecord(4, 0, {0x00, 0x0C}), 10},
        HexCase{"type 05", hexRecord(5, 0, {0x00, 0x0C, 0x00, 0x00}), 10},
        HexCase{"type 09", ":0100000901F5", 10},
        HexCase{"column 8 with 16 bytes, checksum wrong", ":10000800" + std::string(34, '1'), 7},
        HexCase{"column 1 with 16 bytes", hexRecord(0, 0x0001, bytesFrom(0, 16)), 7},
        HexCase{"checksum wrong", ":0200000001020A", 8}));

TEST(HexLoader, DataRowsNeedASegmentBaseToReachTheImage) {
    FlashImage image;
    ImageLoader loader(image);
    // Without a segment record the 16-bit address gives rows 0x000-0xFFF only.
    loader.LoadHexLine(":0200000001020A");  // bad checksum too: the row is checked first
    EXPECT_EQ(loader.LineErrorCode(), linecode::kRowOutsideImage);
    loader.LoadHexLine(hexRecord(0, 0xFFF0, {1}));
    EXPECT_EQ(loader.LineErrorCode(), linecode::kRowOutsideImage);
    EXPECT_TRUE(untouched(image));
}

TEST(HexLoader, SegmentBaseMovesDataRecordsUntilTheNextSegmentRecord) {
    FlashImage image;
    ImageLoader loader(image);
    loader.LoadHexLine(kSegmentC000);
    EXPECT_EQ(loader.LineErrorCode(), 0);
    EXPECT_TRUE(untouched(image));
    loader.LoadHexLine(hexRecord(0, 0x0123, {0x10, 0x11}));
    EXPECT_EQ(loader.LineErrorCode(), 0);
    EXPECT_EQ(image.cell(0xC012, 3), 0x10);
    EXPECT_EQ(image.cell(0xC012, 4), 0x11);
    EXPECT_TRUE(image.RowHasData(0xC012));

    loader.LoadHexLine(hexRecord(2, 0, {0xF0, 0x00}));
    loader.LoadHexLine(hexRecord(0, 0xFFF0, bytesFrom(0x20, 16)));
    EXPECT_EQ(loader.LineErrorCode(), 0);
    EXPECT_EQ(image.cell(0xFFFF, 0), 0x20);
    EXPECT_EQ(image.cell(0xFFFF, 15), 0x2F);

    // Segment FFFF reaches past the top of the image.
    loader.LoadHexLine(hexRecord(2, 0, {0xFF, 0xFF}));
    loader.LoadHexLine(hexRecord(0, 0x0010, {1}));
    EXPECT_EQ(loader.LineErrorCode(), linecode::kRowOutsideImage);

    loader.startHexFile();
    EXPECT_EQ(loader.segmentBase(), 0u);
}

TEST(HexLoader, SkippedRecordsAnswerZeroAndChangeNothing) {
    FlashImage image;
    ImageLoader loader(image);
    for (const std::string& line :
         {std::string(":00000001FF"), hexRecord(1, 0, {0x00, 0x00}),
          hexRecord(3, 0, {0x00, 0x00, 0x12, 0x34}), hexRecord(2, 0, {0xC0})}) {
        loader.LoadHexLine(line);
        EXPECT_EQ(loader.LineErrorCode(), 0) << line;
    }
    EXPECT_EQ(loader.segmentBase(), 0u);  // a segment record of one byte sets nothing
    EXPECT_TRUE(untouched(image));
}

TEST(HexLoader, TypeDigitThatIsNotADigitReadsAsData) {
    FlashImage image;
    ImageLoader loader(image);
    loader.LoadHexLine(kSegmentC000);
    const std::string line = ":0100000A42B3";  // type "0A"
    loader.LoadHexLine(line);
    EXPECT_EQ(loader.LineErrorCode(), 0) << line;
    EXPECT_EQ(image.cell(0xC000, 0), 0x42);
}

TEST(HexLoader, LowerCaseHexIsRead) {
    FlashImage image;
    ImageLoader loader(image);
    loader.LoadHexLine(":02000002c0003c");
    EXPECT_EQ(loader.segmentBase(), 0xC0000u);
    loader.LoadHexLine(":02001000abcd76");
    EXPECT_EQ(loader.LineErrorCode(), 0);
    EXPECT_EQ(image.cell(0xC001, 0), 0xAB);
    EXPECT_EQ(image.cell(0xC001, 1), 0xCD);
}

}  // namespace
}  // namespace rkt5
