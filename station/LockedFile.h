#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace rkt5 {

// A file held for one whole change: opened for reading and writing at its end (made when
// missing), and locked against every other program and thread that locks it (flock on Linux,
// LockFileEx on Windows) until it goes. What is written is on the disk (fsync,
// FlushFileBuffers) before the call that wrote it returns.
class LockedFile {
  public:
    // How long a holder is waited for: our own writers hold a file for milliseconds, a program
    // that keeps it open (a spreadsheet) for as long as it likes.
    static constexpr std::chrono::milliseconds kPatience{2000};

    struct Refusal {
        // Busy: held by another program, or the disk is full; it may be written later.
        // Unwritable: a folder, a missing folder, no permission; it never will be.
        bool unwritable = false;
        std::string why;
    };

    // `path` locked, or why not.
    static std::variant<LockedFile, Refusal> open(const std::string& path,
                                                  std::chrono::milliseconds patience = kPatience);

    LockedFile(LockedFile&& other) noexcept;
    LockedFile& operator=(LockedFile&&) = delete;
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    ~LockedFile();  // unlocks and closes

    std::uint64_t size() const;
    // Up to `most` bytes from `offset` on; nullopt when the file cannot be read.
    std::optional<std::string> read(std::uint64_t offset, std::size_t most) const;
    // Writes `text` at the end and syncs it, whole or not at all (a write that fails half way is
    // taken back); nothing when done, else why not.
    std::optional<std::string> append(std::string_view text);
    // Empties the file and syncs it; nothing when done, else why not.
    std::optional<std::string> empty();

  private:
    explicit LockedFile(std::intptr_t handle) : handle_(handle) {}

    std::intptr_t handle_;  // a file descriptor, or a Windows HANDLE; -1 when moved from
};

}  // namespace rkt5
