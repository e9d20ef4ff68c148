#include "image/StartupImage.h"

#include "common/RunTimeError.h"
#include "image/ImageLoader.h"

namespace rkt5 {

void buildStartupImage(FlashImage& image, FirmwareTable& table) {
    image.ClearImage();
    BuildFirmwareLines1(table);
    BuildFirmwareLines2(table);
    BuildFirmwareLines3(table);
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
