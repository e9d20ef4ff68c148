#include "image/StartupImage.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "image/ImageLoader.h"
#include "tests/support/TempDir.h"

namespace rkt5 {
namespace {

// The firmware text as written on disk, decoded here without the loader: every S2 record's
// bytes at their addresses, the rest 0xFF.
struct ExpectedImage {
    std::vector<int> bytes = std::vector<int>(FlashImage::kCells, 0xFF);
    std::vector<bool> covered = std::vector<bool>(FlashImage::kCells, false);
    int lastDataByte = -1;
};

ExpectedImage decodeFirmwareText() {
    const std::string text = test::readBytes(RKT5_FIRMWARE_TEXT);
    ExpectedImage expected;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("S2", 0) != 0)
            continue;
        const int count = std::stoi(line.substr(2, 2), nullptr, 16);
        const std::uint32_t address = std::stoul(line.substr(4, 6), nullptr, 16);
        for (int i = 0; i < count - 4; ++i) {
            const std::size_t offset = address + static_cast<std::uint32_t>(i) - 0xC0000;
            expected.bytes.at(offset) = std::stoi(line.substr(10 + 2 * i, 2), nullptr, 16);
            expected.covered.at(offset) = true;
            expected.lastDataByte = expected.bytes[offset];
        }
    }
    return expected;
}

class StartupImage : public testing::Test {
  protected:
    void SetUp() override { buildStartupImage(*image, *table); }
    std::unique_ptr<FlashImage> image = std::make_unique<FlashImage>();
    std::unique_ptr<FirmwareTable> table = std::make_unique<FirmwareTable>();
};

TEST_F(StartupImage, TableHoldsTheFirmwareLines) {
    EXPECT_EQ(table->FirmwareLineCount, 8023);
    EXPECT_EQ(table->FirmwareLines[0], "S0030000FC");
    EXPECT_EQ(table->FirmwareLines[8022], "S804000000FB");
    for (int slot = 8023; slot < kFirmwareSlots; ++slot) {
        ASSERT_TRUE(table->FirmwareLines[static_cast<std::size_t>(slot)].empty()) << slot;
    }
    FlashImage scratch;
    ImageLoader loader(scratch);
    for (int slot = 0; slot < table->FirmwareLineCount; ++slot) {
        loader.LoadSRecordLine(table->FirmwareLines[static_cast<std::size_t>(slot)]);
        ASSERT_EQ(loader.LineErrorCode(), 0) << slot;
    }
}

TEST_F(StartupImage, ImageHoldsTheTextsBytesAndFlagsTheRowsWithData) {
    const ExpectedImage expected = decodeFirmwareText();
    int flagged = 0;
    for (int offset = 0; offset < FlashImage::kCells; ++offset) {
        ASSERT_EQ(image->cells()[offset], expected.bytes[static_cast<std::size_t>(offset)])
            << std::hex << "address " << 0xC0000 + offset;
    }
    for (int row = FlashImage::kFirstRow; row <= FlashImage::kLastRow; ++row) {
        bool hasByteBelowFF = false;
        for (int c = 0; c < 16; ++c) {
            const std::size_t offset =
                static_cast<std::size_t>((row - FlashImage::kFirstRow) * 16 + c);
            hasByteBelowFF |= expected.covered[offset] && expected.bytes[offset] < 0xFF;
        }
        ASSERT_EQ(image->RowHasData(row), hasByteBelowFF) << std::hex << "row " << row;
        flagged += image->RowHasData(row);
    }
    EXPECT_EQ(flagged, 15921);
    EXPECT_EQ(image->cell(0xFFFF, 15), expected.lastDataByte);
    const std::string_view lastRecord = table->FirmwareLines[8021];
    EXPECT_EQ(image->cell(0xFFFF, 15),
              std::stoi(std::string(lastRecord.substr(lastRecord.size() - 4, 2)), nullptr, 16));
}

}  // namespace
}  // namespace rkt5
