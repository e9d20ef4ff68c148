// Mutated and random lines through both line loaders, many thousands of them: the S-record loader
// must store exactly what a plain byte-by-byte reading of the line stores (its fast path is checked
// against it), and neither loader may write outside the image or change it on a refused line.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/RunTimeError.h"
#include "image/ImageLoader.h"

namespace rkt5 {
namespace {

// Lenient hex, written again here so the reference shares nothing with the loader.
std::uint64_t lenient(std::string_view line, std::size_t pos, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = pos; i < pos + count && i <= line.size(); ++i) {
        const char c = line[i - 1];
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : -1;
        if (digit < 0) {
            break;
        }
        value = value * 16 + static_cast<std::uint64_t>(digit);
    }
    return value;
}

// The loader's rule read literally: one byte at a time through the bounds-checked store.
// Returns the line code; throws what the store throws.
int referenceSRecord(FlashImage& image, std::string_view line) {
    if (line.empty() || line[0] != 'S') {
        return 9;
    }
    const int type = line.size() >= 2 && line[1] >= '0' && line[1] <= '9' ? line[1] - '0' : 0;
    if (type == 0 || type > 3) {
        return 0;
    }
    const std::size_t count = lenient(line, 3, 2);
    const std::size_t rowDigits = 2 * static_cast<std::size_t>(type + 1) - 1;
    std::uint64_t row = lenient(line, 5, rowDigits);
    std::uint64_t column = lenient(line, 5 + rowDigits, 1);
    const std::size_t first = 6 + rowDigits;
    for (std::size_t k = first; k <= 2 * count + 2; k += 2) {
        // Missing characters are absent: a lone final digit reads as its own value, a position
        // past the end as 0.
        const int value = static_cast<int>(lenient(line, k, 2));
        const int checkedRow = row > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(row);
        image.storeByte(checkedRow, static_cast<int>(column), value);
        if (++column > 15) {
            column = 0;
            ++row;
        }
    }
    return 0;
}

std::string mutate(std::string line, std::mt19937& random) {
    static constexpr char kAlphabet[] = "S0123456789ABCDEFabcdef:xZ \t";
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) {
        const auto pick = random() % 4;
        const std::size_t at = line.empty() ? 0 : random() % line.size();
        const char c = kAlphabet[random() % (sizeof kAlphabet - 1)];
        if (pick == 0 && !line.empty()) {
            line[at] = c;
        } else if (pick == 1) {
            line.insert(line.begin() + static_cast<std::ptrdiff_t>(at), c);
        } else if (pick == 2 && !line.empty()) {
            line.resize(at);
        } else {
            line += c;
        }
    }
    return line;
}

const std::vector<std::string> kSeeds{
    "S2240C0000000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1FC4",
    "S2140FFFF8FFEEDDCCBBAA99887766554433221100AA",
    "S3150000C010000102030405060708090A0B0C0D0E0F99",
    "S1130000000102030405060708090A0B0C0D0E0F74",
    "S2080BFFFE010203FF",
    "S2140C0100FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFE00",
    "S2140C010EFFFFFEFFFFFFFFFFFFFFFFFFFFFFFFFF00",
    ":100000000102030405060708090A0B0C0D0E0F1068",
    ":020000020C00F0",
    ":10C0000000112233445566778899AABBCCDDEEFFC8",
    ":00000001FF",
};

TEST(LoaderFuzz, SRecordLoaderStoresWhatAPlainReadingStores) {
    std::mt19937 random(20261208);
    FlashImage fast;
    FlashImage plain;
    ImageLoader loader(fast);
    for (int iteration = 0; iteration < 2000; ++iteration) {
        const std::string line = mutate(kSeeds[random() % kSeeds.size()], random);
        fast.ClearImage();
        plain.ClearImage();
        bool fastThrew = false;
        bool plainThrew = false;
        int plainCode = 0;
        try {
            loader.LoadSRecordLine(line);
        } catch (const RunTimeError& error) {
            fastThrew = true;
            EXPECT_EQ(error.number(), ErrorNumber::SubscriptOutOfRange);
        }
        try {
            plainCode = referenceSRecord(plain, line);
        } catch (const RunTimeError&) {
            plainThrew = true;
        }
        ASSERT_EQ(fastThrew, plainThrew) << line;
        ASSERT_EQ(loader.LineErrorCode(), plainCode) << line;
        ASSERT_TRUE(std::memcmp(fast.cells(), plain.cells(), FlashImage::kCells * 2) == 0) << line;
        ASSERT_TRUE(std::memcmp(fast.rowFlags(), plain.rowFlags(), FlashImage::kRows) == 0) << line;
    }
}

TEST(LoaderFuzz, HexLoaderChangesNothingOnARefusedLine) {
    std::mt19937 random(8122026);
    FlashImage image;
    ImageLoader loader(image);
    std::vector<std::int16_t> cellsBefore(FlashImage::kCells);
    std::vector<char> flagsBefore(FlashImage::kRows);
    for (int iteration = 0; iteration < 1500; ++iteration) {
        const std::string line = mutate(kSeeds[random() % kSeeds.size()], random);
        std::memcpy(cellsBefore.data(), image.cells(), FlashImage::kCells * 2);
        std::memcpy(flagsBefore.data(), image.rowFlags(), FlashImage::kRows);
        loader.LoadHexLine(line);
        if (loader.LineErrorCode() != 0) {
            ASSERT_TRUE(std::memcmp(cellsBefore.data(), image.cells(), FlashImage::kCells * 2) == 0)
                << line;
            ASSERT_TRUE(std::memcmp(flagsBefore.data(), image.rowFlags(), FlashImage::kRows) == 0)
                << line;
        }
        EXPECT_GE(loader.LineErrorCode(), 0);
        EXPECT_LE(loader.LineErrorCode(), 10);
    }
}

}  // namespace
}  // namespace rkt5
