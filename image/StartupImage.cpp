#include "image/StartupImage.h"

#include <algorithm>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "common/RunTimeError.h"
#include "image/ImageLoader.h"

namespace rkt5 {

namespace {

// The lines' text is read once, page after page, just after start-up: asking for all its pages in
// one call is cheaper than taking them one fault at a time (about 0.1 ms of a 4 ms run). Only a
// hint; older kernels ignore it.
void prefetchText(const FirmwareTable& table) {
#if defined(__linux__) && defined(MADV_POPULATE_READ)
    const std::int32_t count = std::clamp(table.FirmwareLineCount, 0, kFirmwareSlots);
    if (count == 0)
        return;
    auto first = reinterpret_cast<std::uintptr_t>(table.FirmwareLines[0].data());
    std::uintptr_t end = first;
    std::size_t textBytes = 0;
    for (std::int32_t slot = 0; slot < count; ++slot) {
        const std::string_view line = table.FirmwareLines[static_cast<std::size_t>(slot)];
        const auto at = reinterpret_cast<std::uintptr_t>(line.data());
        first = std::min(first, at);
        end = std::max(end, at + line.size());
        textBytes += line.size();
    }
    // Text spread far and wide is not one run of pages; leave it to the faults.
    if (end - first > 2 * textBytes + (std::uintptr_t{64} << 10))
        return;
    constexpr std::uintptr_t kPage = 4096;
    first &= ~(kPage - 1);
    ::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_READ);
#else
    (void)table;
#endif
}

}  // namespace

void buildStartupImage(FlashImage& image, FirmwareTable& table) {
    image.ClearImage();
    BuildFirmwareLines1(table);
    BuildFirmwareLines2(table);
    BuildFirmwareLines3(table);
    prefetchText(table);
    ImageLoader loader(image);
    for (std::int32_t slot = 0; slot < table.FirmwareLineCount; ++slot) {
        if (slot >= kFirmwareSlots) {
            throw RunTimeError(ErrorNumber::SubscriptOutOfRange,
                               "Subscript out of range: firmware slot " + std::to_string(slot));
        }
        loader.LoadSRecordLine(table.FirmwareLines[static_cast<std::size_t>(slot)]);
    }
}

}  // namespace rkt5
