// The committed firmware text has the shape the updater relies on: line and record counts,
// checksums, where data lies and where it does not, and which rows the updater will send.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tests/firmware/TestFiles.h"

namespace {

constexpr std::uint32_t kImageStart = 0xC0000;
constexpr std::uint32_t kImageEnd = 0x100000;
constexpr std::uint32_t kRows = (kImageEnd - kImageStart) / 16;

struct DataRecord {
    std::size_t slot = 0;
    std::uint32_t address = 0;
    std::vector<std::uint8_t> data;
};

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;  // lower case is not accepted either
}

class FirmwareText : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        text_ = rkt5::test::readBytes(RKT5_FIRMWARE_TEXT);
        lines_.clear();
        std::size_t start = 0;
        for (std::size_t end; (end = text_.find('\n', start)) != std::string::npos;
             start = end + 1) {
            lines_.push_back(text_.substr(start, end - start));
        }
        trailing_ = text_.substr(start);

        records_.clear();
        image_.assign(kImageEnd - kImageStart, -1);
        for (std::size_t slot = 1; slot + 1 < lines_.size(); ++slot) {
            const std::string& line = lines_[slot];
            DataRecord record{slot, 0, {}};
            for (std::size_t k = 4; k + 3 < line.size(); k += 2) {
                record.data.push_back(
                    static_cast<std::uint8_t>(hexValue(line[k]) * 16 + hexValue(line[k + 1])));
            }
            // The first three bytes were the address.
            if (record.data.size() >= 3) {
                record.address = record.data[0] << 16 | record.data[1] << 8 | record.data[2];
                record.data.erase(record.data.begin(), record.data.begin() + 3);
            }
            for (std::size_t i = 0; i < record.data.size(); ++i) {
                const std::uint32_t a = record.address + static_cast<std::uint32_t>(i);
                if (a >= kImageStart && a < kImageEnd && image_[a - kImageStart] < 0) {
                    image_[a - kImageStart] = record.data[i];
                }
            }
            records_.push_back(std::move(record));
        }
    }

    // The stretches of the image that no record gives, as (start, length).
    static std::vector<std::pair<std::uint32_t, std::uint32_t>> gaps() {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> found;
        for (std::uint32_t a = kImageStart; a < kImageEnd;) {
            if (image_[a - kImageStart] >= 0) {
                ++a;
                continue;
            }
            const std::uint32_t start = a;
            while (a < kImageEnd && image_[a - kImageStart] < 0) {
                ++a;
            }
            found.emplace_back(start, a - start);
        }
        return found;
    }

    static inline std::string text_;
    static inline std::vector<std::string> lines_;
    static inline std::string trailing_;  // text after the last LF
    static inline std::vector<DataRecord> records_;
    static inline std::vector<int> image_;  // -1 where no record gives the byte
};

TEST_F(FirmwareText, HasHeaderDataAndEndLinesWithLfEnds) {
    ASSERT_EQ(lines_.size(), 8023u);
    EXPECT_EQ(trailing_, "") << "the last line must end with LF";
    EXPECT_EQ(text_.find('\r'), std::string::npos) << "line ends must be LF only";
    EXPECT_EQ(lines_.front(), "S0030000FC");
    EXPECT_EQ(lines_.back(), "S804000000FB");
    std::size_t characters = 0;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        characters += lines_[i].size();
        if (i > 0 && i + 1 < lines_.size()) {
            EXPECT_EQ(lines_[i].substr(0, 2), "S2") << "slot " << i;
        }
    }
    EXPECT_EQ(characters, 605'574u);
    EXPECT_EQ(std::set<std::string>(lines_.begin(), lines_.end()).size(), lines_.size())
        << "every line must differ";
}

TEST_F(FirmwareText, RecordsAreUpperCaseHexWithTheirCountAndChecksum) {
    std::size_t full = 0;
    std::size_t shorter = 0;
    std::size_t shortBytes = 0;
    for (std::size_t slot = 0; slot < lines_.size(); ++slot) {
        const std::string& line = lines_[slot];
        ASSERT_GE(line.size(), 10u) << "slot " << slot;
        ASSERT_TRUE(
            std::all_of(line.begin() + 1, line.end(), [](char c) { return hexValue(c) >= 0; }))
            << "slot " << slot << ": " << line;
        const int count = hexValue(line[2]) * 16 + hexValue(line[3]);
        ASSERT_EQ(line.size(), static_cast<std::size_t>(2 * count + 4)) << "slot " << slot;
        unsigned sum = 0;
        for (std::size_t k = 2; k < line.size(); k += 2) {
            sum += hexValue(line[k]) * 16 + hexValue(line[k + 1]);
        }
        EXPECT_EQ(sum & 0xFF, 0xFFu) << "checksum of slot " << slot;
        if (slot == 0 || slot + 1 == lines_.size()) {
            continue;
        }
        if (count == 0x24) {
            ++full;
        } else {
            EXPECT_TRUE(count >= 5 && count <= 35) << "slot " << slot << " count " << count;
            ++shorter;
            shortBytes += count - 4;
        }
    }
    EXPECT_EQ(full, 7906u);
    EXPECT_EQ(shorter, 115u);
    EXPECT_EQ(shortBytes, 1658u);
}

TEST_F(FirmwareText, DataFillsTheImageInRunsWithTheGivenGaps) {
    ASSERT_EQ(records_.size(), 8021u);
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        bytes += records_[i].data.size();
        if (i > 0) {
            const DataRecord& before = records_[i - 1];
            ASSERT_GE(records_[i].address, before.address + before.data.size())
                << "slot " << records_[i].slot << " goes back or gives a byte twice";
        }
    }
    EXPECT_EQ(bytes, 254'650u);
    EXPECT_EQ(records_.front().address, kImageStart);
    EXPECT_EQ(records_.back().address + records_.back().data.size(), kImageEnd)
        << "the last run must end at 0xFFFFF";

    std::multiset<std::uint32_t> lengths;
    for (const auto& [start, length] : gaps()) {
        lengths.insert(length);
    }
    std::multiset<std::uint32_t> expected{3, 4, 4, 7, 12, 448, 952, 2811, 3218};
    for (int i = 0; i < 35; ++i) {
        expected.insert(1);
    }
    EXPECT_EQ(lengths, expected) << "44 gaps between 45 runs";
}

TEST_F(FirmwareText, EveryRowWithDataHasAByteBelowFFAndOnlyLongGapsHoldWholeRows) {
    std::size_t rowsWithData = 0;
    for (std::uint32_t row = 0; row < kRows; ++row) {
        bool data = false;
        bool belowFF = false;
        for (std::uint32_t column = 0; column < 16; ++column) {
            const int cell = image_[row * 16 + column];
            data = data || cell >= 0;
            belowFF = belowFF || (cell >= 0 && cell < 0xFF);
        }
        if (data) {
            ++rowsWithData;
            EXPECT_TRUE(belowFF) << "row 0x" << std::hex << (kImageStart / 16 + row)
                                 << " would not be flagged";
        }
    }
    EXPECT_EQ(rowsWithData, 15'921u);

    // Each long gap holds as many whole rows as its length allows; short ones hold none.
    const std::map<std::uint32_t, std::uint32_t> wholeRowsByLength{
        {448, 28}, {952, 59}, {2811, 175}, {3218, 201}};
    for (const auto& [start, length] : gaps()) {
        const std::uint32_t firstRow = (start + 15) / 16;
        const std::uint32_t endRow = (start + length) / 16;
        const std::uint32_t whole = endRow > firstRow ? endRow - firstRow : 0;
        const auto it = wholeRowsByLength.find(length);
        EXPECT_EQ(whole, it == wholeRowsByLength.end() ? 0 : it->second)
            << "gap of " << length << " bytes at 0x" << std::hex << start;
    }
}

TEST_F(FirmwareText, MostFullRecordsStartInsideARow) {
    std::size_t full = 0;
    std::size_t offRow = 0;
    for (const DataRecord& record : records_) {
        if (record.data.size() == 32) {
            ++full;
            offRow += record.address % 16 != 0;
        }
    }
    EXPECT_GT(offRow * 2, full) << offRow << " of " << full
                                << " 32-byte records start off a row boundary";
}

TEST_F(FirmwareText, BreakBetweenFirstAndSecondFillPartLiesInsideARun) {
    const DataRecord& last = records_.at(2999 - 1);   // slot 2999
    const DataRecord& first = records_.at(3000 - 1);  // slot 3000
    EXPECT_EQ(last.address + last.data.size(), first.address);
}

TEST_F(FirmwareText, CarriesModelNameAndVersion) {
    std::string bytes;
    for (int cell : image_) {
        bytes += static_cast<char>(cell < 0 ? 0xFF : cell);
    }
    EXPECT_NE(bytes.find("RK-T5"), std::string::npos);
    EXPECT_NE(bytes.find("EG5.000"), std::string::npos);
}

}  // namespace
