#include "image/FlashImage.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/RunTimeError.h"

namespace rkt5 {
namespace {

bool sameContent(const FlashImage& a, const FlashImage& b) {
    return std::equal(a.cells(), a.cells() + FlashImage::kCells, b.cells()) &&
           std::equal(a.rowFlags(), a.rowFlags() + FlashImage::kRows, b.rowFlags());
}

TEST(FlashImage, ClearedImageIsErasedAndUnflagged) {
    FlashImage image;
    image.storeByte(0xD123, 4, 0x12);
    image.ClearImage();
    for (int row = FlashImage::kFirstRow; row <= FlashImage::kLastRow; ++row) {
        ASSERT_FALSE(image.RowHasData(row)) << std::hex << row;
        for (int column = 0; column < FlashImage::kColumns; ++column) {
            ASSERT_EQ(image.cell(row, column), 0xFF);
        }
    }
}

TEST(FlashImage, OnlyBytesBelowFFFlagARowAndFlagsStayUntilCleared) {
    FlashImage image;
    image.storeByte(0xC000, 0, 0xFF);
    EXPECT_FALSE(image.RowHasData(0xC000));
    image.setCell(0xC001, 3, 0x00);  // a plain write is not a load
    EXPECT_FALSE(image.RowHasData(0xC001));
    image.storeByte(0xFFFF, 15, 0xFE);
    EXPECT_TRUE(image.RowHasData(0xFFFF));
    EXPECT_EQ(image.cell(0xFFFF, 15), 0xFE);
    image.storeByte(0xFFFF, 15, 0xFF);
    EXPECT_TRUE(image.RowHasData(0xFFFF));
    EXPECT_FALSE(image.RowHasData(0xFFFE));
}

struct Outside {
    int row;
    int column;
};

class FlashImageOutside : public testing::TestWithParam<Outside> {};

TEST_P(FlashImageOutside, EveryAccessFailsWithSubscriptErrorAndChangesNothing) {
    const auto [row, column] = GetParam();
    FlashImage image;
    image.storeByte(0xC000, 0, 0x11);
    const FlashImage before = image;
    const auto expectSubscript = [](auto access) {
        try {
            access();
            FAIL() << "no error";
        } catch (const RunTimeError& e) {
            EXPECT_EQ(e.number(), ErrorNumber::SubscriptOutOfRange);
        }
    };
    expectSubscript([&] { image.storeByte(row, column, 0x00); });
    expectSubscript([&] { image.setCell(row, column, 0x00); });
    expectSubscript([&] { (void)image.cell(row, column); });
    if (column == 0)
        expectSubscript([&] { (void)image.RowHasData(row); });
    EXPECT_TRUE(sameContent(image, before));
}

INSTANTIATE_TEST_SUITE_P(Edges, FlashImageOutside,
                         testing::Values(Outside{0xBFFF, 15}, Outside{0x10000, 0},
                                         Outside{0xC000, -1}, Outside{0xC000, 16}, Outside{0, 0},
                                         Outside{-1, 0}));

TEST(FlashImage, CopiesAndSwapsAreIndependentImages) {
    FlashImage a;
    a.storeByte(0xE000, 1, 0x42);
    FlashImage b = a;
    b.storeByte(0xE000, 1, 0x43);
    EXPECT_EQ(a.cell(0xE000, 1), 0x42);
    FlashImage c;
    c.swap(b);
    EXPECT_EQ(c.cell(0xE000, 1), 0x43);
    EXPECT_TRUE(c.RowHasData(0xE000));
    EXPECT_FALSE(b.RowHasData(0xE000));
    EXPECT_EQ(b.cell(0xE000, 1), 0xFF);
}

}  // namespace
}  // namespace rkt5
