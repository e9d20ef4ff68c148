#include "image/TextLines.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace rkt5 {

std::optional<std::string> readFileText(const std::string& path, std::string* whyNot) {
    const auto fail = [whyNot](std::string reason) -> std::optional<std::string> {
        if (whyNot != nullptr) {
            *whyNot = std::move(reason);
        }
        return std::nullopt;
    };
    std::error_code ec;
    // Only regular files: a directory opens as a stream on some systems and then fails to read,
    // and a device or pipe may never end.
    if (!std::filesystem::is_regular_file(path, ec)) {
        if (ec || !std::filesystem::exists(path, ec)) {
            return fail(std::strerror(ENOENT));
        }
        return fail(std::filesystem::is_directory(path, ec) ? std::strerror(EISDIR)
                                                            : "not a regular file");
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail(std::strerror(errno != 0 ? errno : EACCES));
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0)
        return fail(std::strerror(EIO));
    in.seekg(0, std::ios::beg);
    try {
        std::string text(static_cast<std::size_t>(size), '\0');
        if (size > 0 && !in.read(text.data(), size))
            return fail(std::strerror(EIO));
        return text;
    } catch (const std::exception&) {
        return fail("too large to hold");
    }
}

}  // namespace rkt5
