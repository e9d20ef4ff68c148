#include "image/RegionChecksum.h"

#include <gtest/gtest.h>

namespace rkt5 {
namespace {

struct SumCase {
    const char* start;
    const char* end;
    bool ok;
    const char* text;
};

class RegionChecksumOf : public testing::TestWithParam<SumCase> {};

TEST_P(RegionChecksumOf, ShowsTheSumOrNamesTheFirstAddressOutside) {
    FlashImage image;
    image.storeByte(0xFFFF, 15, 0x12);
    image.storeByte(0xE000, 0, 0x00);
    image.storeByte(0xC000, 0, 0x01);
    const RegionChecksum sum = regionChecksum(image, GetParam().start, GetParam().end);
    EXPECT_EQ(sum.ok, GetParam().ok);
    EXPECT_EQ(sum.text, GetParam().text);
}

// Erased but for three bytes: C0000 = 01, E0000 = 00, FFFFF = 12.
INSTANTIATE_TEST_SUITE_P(
    Regions, RegionChecksumOf,
    testing::Values(
        SumCase{"E0000", "FFFFF", true, "1FDFE14"}, SumCase{"e0000", "fffff", true, "1FDFE14"},
        SumCase{"FFFFF", "FFFFF", true, "12"}, SumCase{"E0000", "E0000", true, "0"},
        SumCase{"C0000", "C000F", true, "EF2"},  // 0x01 + 15 * 0xFF
        SumCase{"C0000", "FFFFF", true, "3FBFD16"},
        SumCase{"000E0001xyz", "E0010 and more", true, "FF0"}, SumCase{"FFFFF", "FFFFE", true, "0"},
        SumCase{"FFFFF", "", true, "0"},
        SumCase{"100000", "0", true, "0"},  // start above end visits nothing
        SumCase{"BFFFF", "FFFFF", false, "Address BFFFF is outside the image (C0000-FFFFF)."},
        SumCase{"", "FFFFF", false, "Address 0 is outside the image (C0000-FFFFF)."},
        SumCase{"F0000", "100000", false, "Address 100000 is outside the image (C0000-FFFFF)."},
        SumCase{"123456789ABCDEF0123", "223456789ABCDEF0123", false,
                "Address 123456789ABCDEF0123 is outside the image (C0000-FFFFF)."}));

}  // namespace
}  // namespace rkt5
