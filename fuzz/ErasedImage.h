#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>

#include "fuzz/FuzzCheck.h"
#include "image/FlashImage.h"

namespace rkt5::fuzz {

// Cells a load changed, as offsets from 0xC0000, both ends included.
struct CellSpan {
    std::size_t first = 0;
    std::size_t last = 0;

    std::size_t size() const { return last - first + 1; }
    std::size_t firstRow() const { return first / FlashImage::kColumns; }
    std::size_t lastRow() const { return last / FlashImage::kColumns; }
};

// An image that is erased before every load: erasing again touches only what the last load
// changed, so a target loads into a fresh image for the cost of one comparison.
class ErasedImage {
  public:
    FlashImage& image() { return image_; }

    // What the load changed, with the image erased again. Checks the row flags on the way: a load
    // into an erased image stores each cell at most once, so a row is flagged exactly when it now
    // holds a byte other than 0xFF.
    std::optional<CellSpan> takeChanges() {
        std::optional<CellSpan> span;
        if (!sameCells()) {
            span = changedSpan();
            checkAndEraseRows(*span);
        }
        require(std::memcmp(image_.rowFlags(), erased_.rowFlags(), FlashImage::kRows) == 0,
                "a row is flagged although none of its cells changed");
        return span;
    }

  private:
    static constexpr std::size_t kCellBytes = FlashImage::kCells * sizeof(std::int16_t);

    bool sameCells() const { return std::memcmp(image_.cells(), erased_.cells(), kCellBytes) == 0; }

    // Plain scans of the fuzzer's own bookkeeping: left out of the coverage that guides it.
    __attribute__((no_sanitize("coverage"))) CellSpan changedSpan() const {
        const std::int16_t* cells = image_.cells();
        CellSpan span{0, FlashImage::kCells - 1};
        while (cells[span.first] == FlashImage::kErased) {
            ++span.first;
        }
        while (cells[span.last] == FlashImage::kErased) {
            --span.last;
        }
        return span;
    }

    __attribute__((no_sanitize("coverage"))) void checkAndEraseRows(const CellSpan& span) {
        std::int16_t* cells = image_.cells();
        bool* flags = image_.rowFlags();
        for (std::size_t row = span.firstRow(); row <= span.lastRow(); ++row) {
            std::int16_t* rowCells = cells + row * FlashImage::kColumns;
            const bool holdsData = std::any_of(rowCells, rowCells + FlashImage::kColumns,
                                               [](std::int16_t c) { return c != 0xFF; });
            require(std::all_of(rowCells, rowCells + FlashImage::kColumns,
                                [](std::int16_t c) { return c >= 0 && c <= 0xFF; }),
                    "a cell holds a value that is no byte");
            require(flags[row] == holdsData, "a row's flag disagrees with its cells");
            std::fill(rowCells, rowCells + FlashImage::kColumns, FlashImage::kErased);
            flags[row] = false;
        }
    }

    FlashImage image_;
    const FlashImage erased_;
};

}  // namespace rkt5::fuzz
