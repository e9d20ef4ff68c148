#pragma once

#include <cstdint>
#include <memory>

namespace rkt5 {

// The transceiver's 256 KB flash (0xC0000-0xFFFFF) as rows of 16 cells, with one flag per row that
// says whether a loader stored anything but an erased byte there. Rows are absolute: address / 16.
class FlashImage {
  public:
    static constexpr int kFirstRow = 0xC000, kLastRow = 0xFFFF, kColumns = 16;
    static constexpr int kRows = kLastRow - kFirstRow + 1;
    static constexpr int kCells = kRows * kColumns;
    static constexpr std::uint32_t kFirstAddress = 0xC0000, kLastAddress = 0xFFFFF;
    static constexpr std::int16_t kErased = 0xFF;

    // The address of a row's first byte.
    static constexpr std::uint32_t addressOf(int row) {
        return static_cast<std::uint32_t>(row) * kColumns;
    }

    FlashImage();  // cleared: all 0xFF, no row flagged
    FlashImage(const FlashImage& other);
    FlashImage& operator=(const FlashImage& other);
    ~FlashImage();

    void ClearImage();

    // Bounds-checked access; a row or column outside the image throws
    // RunTimeError(SubscriptOutOfRange) and touches nothing.
    std::int16_t cell(int row, int column) const;
    void setCell(int row, int column, std::int16_t v);  // leaves the row's flag alone
    void storeByte(int row, int column, int b);         // flags the row if b < 0xFF, then writes
    bool RowHasData(int row) const;

    // Unchecked fast paths for the loaders and readers; callers guarantee 0 <= offset < kCells
    // (offset = address - 0xC0000) and 0 <= rowIndex < kRows (rowIndex = row - 0xC000).
    const std::int16_t* cells() const { return cells_; }
    std::int16_t* cells() { return cells_; }
    const bool* rowFlags() const { return flags_; }
    bool* rowFlags() { return flags_; }

    // Exchanges the contents of two images in constant time (the storage is swapped, not copied).
    void swap(FlashImage& other) noexcept;

    static bool isInside(long long row, long long column) {
        return row >= kFirstRow && row <= kLastRow && column >= 0 && column < kColumns;
    }

  private:
    struct Storage;
    static void checkIndex(long long row, long long column);

    std::unique_ptr<Storage> storage_;
    std::int16_t* cells_;  // kCells values, cell (row, c) at (row - kFirstRow) * 16 + c
    bool* flags_;          // kRows flags
};

}  // namespace rkt5
