#include "image/FlashImage.h"

#include <algorithm>
#include <utility>

#include "common/RunTimeError.h"
#include "image/HexText.h"

namespace rkt5 {

struct FlashImage::Storage {
    std::int16_t cells[kCells];
    bool flags[kRows];
};

// Left uninitialised here: ClearImage writes every cell and flag.
FlashImage::FlashImage()
    : storage_(std::make_unique_for_overwrite<Storage>()),
      cells_(storage_->cells),
      flags_(storage_->flags) {
    ClearImage();
}

FlashImage::FlashImage(const FlashImage& other)
    : storage_(std::make_unique<Storage>(*other.storage_)),
      cells_(storage_->cells),
      flags_(storage_->flags) {}

FlashImage& FlashImage::operator=(const FlashImage& other) {
    if (this != &other) {
        *storage_ = *other.storage_;
    }
    return *this;
}

FlashImage::~FlashImage() = default;

void FlashImage::ClearImage() {
    std::fill_n(cells_, kCells, kErased);
    std::fill_n(flags_, kRows, false);
}

namespace {
std::string describe(long long index) {
    return index < 0 ? "-" + hextext::toUpperHex(static_cast<unsigned long long>(-index)) + "h"
                     : hextext::toUpperHex(static_cast<unsigned long long>(index)) + "h";
}
}  // namespace

void FlashImage::checkIndex(long long row, long long column) {
    if (!isInside(row, column)) {
        throw RunTimeError(ErrorNumber::SubscriptOutOfRange,
                           "Subscript out of range: no image cell at row " + describe(row) +
                               ", column " + describe(column));
    }
}

std::int16_t FlashImage::cell(int row, int column) const {
    checkIndex(row, column);
    return cells_[(row - kFirstRow) * kColumns + column];
}

void FlashImage::setCell(int row, int column, std::int16_t v) {
    checkIndex(row, column);
    cells_[(row - kFirstRow) * kColumns + column] = v;
}

void FlashImage::storeByte(int row, int column, int b) {
    checkIndex(row, column);
    if (b < 0xFF) {
        flags_[row - kFirstRow] = true;
    }
    cells_[(row - kFirstRow) * kColumns + column] = static_cast<std::int16_t>(b);
}

bool FlashImage::RowHasData(int row) const {
    checkIndex(row, 0);
    return flags_[row - kFirstRow];
}

void FlashImage::swap(FlashImage& other) noexcept {
    std::swap(storage_, other.storage_);
    std::swap(cells_, other.cells_);
    std::swap(flags_, other.flags_);
}

}  // namespace rkt5
