// The table built into the program holds the committed text line for line, slot for slot.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "firmware/FirmwareLines.h"
#include "tests/firmware/TestFiles.h"

namespace {

using rkt5::FirmwareTable;

std::vector<std::string> fileLines() {
    const std::string text = rkt5::test::readBytes(RKT5_FIRMWARE_TEXT);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// Index of the first non-empty slot at or after `from`, or kFirmwareSlots.
std::size_t firstFilled(const FirmwareTable& table, std::size_t from) {
    while (from < table.FirmwareLines.size() && table.FirmwareLines[from].empty()) {
        ++from;
    }
    return from;
}

TEST(FirmwareTable, EachFillStepWritesOnlyItsOwnSlots) {
    auto table = std::make_unique<FirmwareTable>();
    rkt5::BuildFirmwareLines1(*table);
    EXPECT_EQ(firstFilled(*table, 0), 0u);
    EXPECT_EQ(firstFilled(*table, 3000), table->FirmwareLines.size());
    EXPECT_FALSE(table->FirmwareLines[2999].empty());
    EXPECT_EQ(table->FirmwareLineCount, 0);

    rkt5::BuildFirmwareLines2(*table);
    EXPECT_FALSE(table->FirmwareLines[3000].empty());
    EXPECT_FALSE(table->FirmwareLines[5999].empty());
    EXPECT_EQ(firstFilled(*table, 6000), table->FirmwareLines.size());
    EXPECT_EQ(table->FirmwareLineCount, 0);

    rkt5::BuildFirmwareLines3(*table);
    EXPECT_EQ(table->FirmwareLineCount, 8023);
    EXPECT_EQ(firstFilled(*table, 8023), table->FirmwareLines.size())
        << "slots 8023 to 8999 stay empty";
}

TEST(FirmwareTable, HoldsTheFileLinesInTheirSlots) {
    const std::vector<std::string> lines = fileLines();
    ASSERT_EQ(lines.size(), 8023u);
    auto table = std::make_unique<FirmwareTable>();
    rkt5::BuildFirmwareLines1(*table);
    rkt5::BuildFirmwareLines2(*table);
    rkt5::BuildFirmwareLines3(*table);
    ASSERT_EQ(table->FirmwareLineCount, 8023);
    for (std::size_t slot = 0; slot < lines.size(); ++slot) {
        ASSERT_EQ(table->FirmwareLines[slot], lines[slot]) << "slot " << slot;
    }
}

}  // namespace
