#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "common/WireProtocol.h"
#include "sim/FlashFile.h"
#include "sim/FlashMemory.h"

namespace rkt5::sim {
namespace {

TEST(FlashMemory, RangesAtTheEdgesOfTheFlash) {
    EXPECT_TRUE(FlashMemory::contains(0xC0000, 0x40000));
    EXPECT_TRUE(FlashMemory::contains(0xFFFFF, 1));
    EXPECT_FALSE(FlashMemory::contains(0xFFFFF, 2));
    EXPECT_FALSE(FlashMemory::contains(0xBFFFF, 1));
    EXPECT_FALSE(FlashMemory::contains(0x100000, 0x10));
    EXPECT_FALSE(FlashMemory::contains(0xFFFFFFF0, 0x20)) << "wrap-around";

    FlashMemory flash;
    const std::vector<std::uint8_t> two{0x00, 0x00};
    EXPECT_FALSE(flash.program(0xFFFFF, two));
    EXPECT_EQ(flash.at(0xFFFFF), 0xFF);
}

TEST(FlashMemory, RejectsContentsOfTheWrongSize) {
    EXPECT_THROW(FlashMemory(std::vector<std::uint8_t>(100)), std::invalid_argument);
}

TEST(FlashFile, RoundTripAndSizeCheck) {
    const auto dir =
        std::filesystem::temp_directory_path() /
        ("rkt5-sim-flash-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "flash.bin").string();
    std::vector<std::uint8_t> contents(wire::kFlashSize, 0xFF);
    contents[0] = 0x12;
    contents.back() = 0x34;
    writeFlashFile(path, contents);
    EXPECT_EQ(readFlashFile(path), contents);

    std::ofstream(path, std::ios::binary) << "short";
    EXPECT_THROW(readFlashFile(path), std::runtime_error);
    EXPECT_THROW(readFlashFile((dir / "missing.bin").string()), std::runtime_error);
    EXPECT_THROW(writeFlashFile((dir / "no-dir" / "x.bin").string(), contents), std::runtime_error);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace rkt5::sim
