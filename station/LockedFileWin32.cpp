#include <windows.h>

#include <QString>
#include <thread>

#include "serial/Win32SerialPort.h"
#include "station/LockedFile.h"

namespace rkt5 {

namespace {

constexpr std::chrono::milliseconds kLockRetry{10};

HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// Another program has the file open without sharing it (a spreadsheet does), or a writer
// holds its lock.
bool heldByAnother(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

LockedFile::Refusal refusalOf(DWORD error, const std::wstring& path) {
    if (heldByAnother(error)) {
        return {false, "it is open in another program that does not share it"};
    }
    if (error == ERROR_ACCESS_DENIED) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        const bool folder =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        return {true, folder ? "it is a folder" : "permission denied"};
    }
    if (error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME) {
        return {true, "its folder does not exist"};
    }
    if (error == ERROR_WRITE_PROTECT) {
        return {true, "the disk is read-only"};
    }
    return {false, win32ErrorText(error)};
}

OVERLAPPED wholeFile() {
    OVERLAPPED from{};  // offset 0: with the largest length, the lock covers any size
    return from;
}

}  // namespace

std::variant<LockedFile, LockedFile::Refusal> LockedFile::open(const std::string& path,
                                                               std::chrono::milliseconds patience) {
    const std::wstring name = QString::fromStdString(path).toStdWString();
    const auto deadline = std::chrono::steady_clock::now() + patience;
    const auto waitMore = [&deadline] {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kLockRetry);
        return true;
    };
    HANDLE file = INVALID_HANDLE_VALUE;
    for (;;) {
        file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            break;
        }
        const DWORD error = GetLastError();
        if (!heldByAnother(error) || !waitMore()) {
            return refusalOf(error, name);
        }
    }
    for (;;) {
        OVERLAPPED from = wholeFile();
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                       MAXDWORD, &from)) {
            return LockedFile(reinterpret_cast<std::intptr_t>(file));
        }
        const DWORD error = GetLastError();
        if (!heldByAnother(error) || !waitMore()) {
            CloseHandle(file);
            return Refusal{false, heldByAnother(error) ? "it is locked by another program"
                                                       : win32ErrorText(error)};
        }
    }
}

LockedFile::LockedFile(LockedFile&& other) noexcept : handle_(other.handle_) {
    other.handle_ = -1;
}

LockedFile::~LockedFile() {
    if (handle_ == -1) {
        return;
    }
    OVERLAPPED from = wholeFile();
    UnlockFileEx(handleOf(handle_), 0, MAXDWORD, MAXDWORD, &from);
    CloseHandle(handleOf(handle_));
}

std::uint64_t LockedFile::size() const {
    LARGE_INTEGER size{};
    return GetFileSizeEx(handleOf(handle_), &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

std::optional<std::string> LockedFile::read(std::uint64_t offset, std::size_t most) const {
    std::string text(most, '\0');
    LARGE_INTEGER start{};
    start.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(handleOf(handle_), start, nullptr, FILE_BEGIN)) {
        return std::nullopt;
    }
    std::size_t got = 0;
    while (got < most) {
        DWORD n = 0;
        if (!ReadFile(handleOf(handle_), text.data() + got, static_cast<DWORD>(most - got), &n,
                      nullptr)) {
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    text.resize(got);
    return text;
}

std::optional<std::string> LockedFile::append(std::string_view text) {
    const HANDLE file = handleOf(handle_);
    LARGE_INTEGER before{};
    if (!SetFilePointerEx(file, LARGE_INTEGER{}, &before, FILE_END)) {
        return win32ErrorText(GetLastError());
    }
    const auto takenBack = [file, before] {
        const DWORD error = GetLastError();
        if (SetFilePointerEx(file, before, nullptr, FILE_BEGIN)) {
            SetEndOfFile(file);
        }
        return win32ErrorText(error);
    };
    while (!text.empty()) {
        DWORD n = 0;
        if (!WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &n, nullptr)) {
            return takenBack();
        }
        text.remove_prefix(n);
    }
    if (!FlushFileBuffers(file)) {
        return takenBack();
    }
    return std::nullopt;
}

std::optional<std::string> LockedFile::empty() {
    const HANDLE file = handleOf(handle_);
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN) || !SetEndOfFile(file) ||
        !FlushFileBuffers(file)) {
        return win32ErrorText(GetLastError());
    }
    return std::nullopt;
}

}  // namespace rkt5
