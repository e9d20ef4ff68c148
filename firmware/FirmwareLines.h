#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace rkt5 {

// The built-in EG5.000 firmware as S-record text lines, in a table of fixed capacity.
inline constexpr int kFirmwareSlots = 9000;

struct FirmwareTable {
    std::array<std::string_view, kFirmwareSlots> FirmwareLines{};  // empty until filled
    std::int32_t FirmwareLineCount = 0;
};

// The three fill steps, run in order: slots 0-2999, 3000-5999, 6000-8022 (the last one also sets
// FirmwareLineCount to 8,023). The text comes from firmware/EG5000.mot, turned into code by the
// build.
void BuildFirmwareLines1(FirmwareTable& table);
void BuildFirmwareLines2(FirmwareTable& table);
void BuildFirmwareLines3(FirmwareTable& table);

}  // namespace rkt5
