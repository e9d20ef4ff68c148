#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/RunTimeError.h"
#include "image/ImageLoader.h"
#include "tests/image/TestRecords.h"

namespace rkt5 {
namespace {

using test::bytesFrom;
using test::sRecord;

bool untouched(const FlashImage& image) {
    return std::all_of(image.cells(), image.cells() + FlashImage::kCells,
                       [](std::int16_t c) { return c == 0xFF; }) &&
           std::none_of(image.rowFlags(), image.rowFlags() + FlashImage::kRows,
                        [](bool f) { return f; });
}

int cellAt(const FlashImage& image, std::uint32_t address) {
    return image.cell(static_cast<int>(address / 16), static_cast<int>(address % 16));
}

class SRecordLoader : public testing::Test {
  protected:
    FlashImage image;
    ImageLoader loader{image};
};

class SRecordSkipped : public testing::TestWithParam<std::pair<const char*, int>> {};

TEST_P(SRecordSkipped, LeavesImageAloneWithCode) {
    FlashImage image;
    ImageLoader loader(image);
    loader.LoadSRecordLine(GetParam().first);
    EXPECT_EQ(loader.LineErrorCode(), GetParam().second);
    EXPECT_TRUE(untouched(image));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SRecordSkipped,
    testing::Values(std::pair{"S0030000FC", 0}, std::pair{"S804000000FB", 0},
                    std::pair{"S5030001FB", 0}, std::pair{"S70500000000FA", 0},
                    std::pair{"S9030000FC", 0},
                    std::pair{"S4080C000001020304E6", 0},  // type 4 does not exist
                    std::pair{"SX080C000001020304E6", 0},  // a non-digit type reads as 0
                    std::pair{"s2080C000001020304E6", 9},  // lower-case s
                    std::pair{"", 9}, std::pair{":100000000102", 9},
                    std::pair{"S1030000FC", 0}));  // type 1 without data bytes stores nothing

TEST_F(SRecordLoader, RecordAcrossThreeRowsFillsExactlyItsCellsAndFlagsThem) {
    const auto data = bytesFrom(1, 32);
    loader.LoadSRecordLine(sRecord(2, 0xC000E, data));
    EXPECT_EQ(loader.LineErrorCode(), 0);
    for (std::uint32_t a = 0xC0000; a < 0xC0040; ++a) {
        const bool inRecord = a >= 0xC000E && a < 0xC000E + 32;
        EXPECT_EQ(cellAt(image, a), inRecord ? data[a - 0xC000E] : 0xFF) << std::hex << a;
    }
    EXPECT_TRUE(image.RowHasData(0xC000));
    EXPECT_TRUE(image.RowHasData(0xC001));
    EXPECT_TRUE(image.RowHasData(0xC002));
    EXPECT_FALSE(image.RowHasData(0xC003));
}

TEST_F(SRecordLoader, Type3AddressesTheSameCellsAsType2) {
    FlashImage viaType2;
    ImageLoader other(viaType2);
    other.LoadSRecordLine(sRecord(2, 0xC0010, bytesFrom(7, 20)));
    loader.LoadSRecordLine(sRecord(3, 0x000C0010, bytesFrom(7, 20)));
    EXPECT_TRUE(std::equal(image.cells(), image.cells() + FlashImage::kCells, viaType2.cells()));
    EXPECT_TRUE(image.RowHasData(0xC001));
    EXPECT_TRUE(image.RowHasData(0xC002));
}

TEST_F(SRecordLoader, ChecksumIsNeverRead) {
    std::string line = sRecord(2, 0xD0000, {0x10, 0x20});
    line.replace(line.size() - 2, 2, "00");
    loader.LoadSRecordLine(line);
    EXPECT_EQ(loader.LineErrorCode(), 0);
    EXPECT_EQ(cellAt(image, 0xD0001), 0x20);
}

TEST_F(SRecordLoader, ErasedBytesAreWrittenWithoutFlaggingTheRow) {
    image.storeByte(0xD000, 0, 0x00);  // an earlier flag stays
    loader.LoadSRecordLine(sRecord(2, 0xD0000, std::vector<std::uint8_t>(32, 0xFF)));
    EXPECT_EQ(cellAt(image, 0xD0000), 0xFF);
    EXPECT_TRUE(image.RowHasData(0xD000));
    EXPECT_FALSE(image.RowHasData(0xD001));
}

TEST_F(SRecordLoader, RecordBelowTheImageFailsAtItsFirstByteStoringNothing) {
    EXPECT_THROW(loader.LoadSRecordLine(sRecord(2, 0xBFFF0, bytesFrom(1, 32))), RunTimeError);
    EXPECT_TRUE(untouched(image));
}

TEST_F(SRecordLoader, RecordRunningOffTheTopKeepsTheBytesBeforeTheFailure) {
    try {
        loader.LoadSRecordLine(sRecord(2, 0xFFFF8, bytesFrom(1, 16)));
        FAIL() << "no error";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.number(), ErrorNumber::SubscriptOutOfRange);
    }
    EXPECT_EQ(loader.LineErrorCode(), 0);
    for (int c = 8; c < 16; ++c)
        EXPECT_EQ(image.cell(0xFFFF, c), c - 7);
    EXPECT_TRUE(image.RowHasData(0xFFFF));
}

TEST_F(SRecordLoader, Type1RecordWithDataFailsBecauseItsRowsLieBelowTheImage) {
    EXPECT_THROW(loader.LoadSRecordLine(sRecord(1, 0xC000, {0x01})), RunTimeError);
    EXPECT_TRUE(untouched(image));
}

struct LenientCase {
    const char* line;
    std::uint32_t address;
    std::vector<int> expected;  // cells from address on
};

class SRecordLenient : public testing::TestWithParam<LenientCase> {};

TEST_P(SRecordLenient, ReadsFieldsUpToTheFirstNonHexCharacter) {
    FlashImage image;
    ImageLoader loader(image);
    loader.LoadSRecordLine(GetParam().line);
    EXPECT_EQ(loader.LineErrorCode(), 0);
    const auto& expected = GetParam().expected;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(cellAt(image, GetParam().address + static_cast<std::uint32_t>(i)), expected[i])
            << "cell " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SRecordLenient,
    testing::Values(
        // Count 8 promises 4 data bytes; the line holds "12" and a lone "3".
        LenientCase{"S2080C0000123", 0xC0000, {0x12, 0x03, 0x00, 0x00, 0xFF}},
        // "1G" reads as 1, "G1" as 0, lower case is hexadecimal.
        LenientCase{"S2070C00001GG1abFF", 0xC0000, {0x01, 0x00, 0xAB, 0xFF}},
        // The column digit alone decides the column; a non-hex column reads as 0.
        LenientCase{"S2050C001Z77", 0xC0010, {0x77, 0xFF}},
        // A count that stops at a non-hex character: "2G" reads as 2, too few for any data.
        LenientCase{"S22G0C00000102", 0xC0000, {0xFF, 0xFF}},
        // Trailing junk after the count's data is ignored.
        LenientCase{"S2060C0000AABBxx junk", 0xC0000, {0xAA, 0xBB, 0xFF}}));

TEST(SRecordLenientRow, RowDigitsStopAtTheFirstNonHexCharacter) {
    FlashImage image;
    ImageLoader loader(image);
    // "0C0Z0" reads as row 0xC0, far below the image.
    EXPECT_THROW(loader.LoadSRecordLine("S2050C0Z0011"), RunTimeError);
}

}  // namespace
}  // namespace rkt5
