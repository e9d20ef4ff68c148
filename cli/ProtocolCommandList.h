#pragma once

#include <string_view>

namespace rkt5::cli {

// The commands that talk to the transceiver. They need Qt, so they run in their own program,
// rkt5-flash-link beside rkt5-flash, which rkt5-flash hands them to; rkt5-flash itself loads no
// Qt and is linked statically, so that the image commands scripts call in loops start at once.
struct CommandSummary {
    std::string_view name;
    std::string_view summary;
};

inline constexpr CommandSummary kProtocolCommandList[] = {
    {"update", "the whole update, as \"Start\" runs it"},
    {"macro", "connect, erase, write and end in one mode"},
    {"connect", "put the transceiver into flash mode"},
    {"erase", "erase the flash"},
    {"write", "write the image"},
    {"disconnect", "take the transceiver out of flash mode"},
    {"pin", "drive or read one input/output pin"},
    {"check-model", "check the transceiver's model and region"},
};

inline constexpr std::string_view kProtocolProgramName = "rkt5-flash-link";

}  // namespace rkt5::cli
