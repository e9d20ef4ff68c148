#include "image/TextLines.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace rkt5 {

std::optional<std::string> readFileText(const std::string& path) {
    std::error_code ec;
    // Only regular files: a directory opens as a stream on some systems and then fails to read,
    // and a device or pipe may never end.
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0)
        return std::nullopt;
    in.seekg(0, std::ios::beg);
    try {
        std::string text(static_cast<std::size_t>(size), '\0');
        if (size > 0 && !in.read(text.data(), size))
            return std::nullopt;
        return text;
    } catch (const std::exception&) {
        return std::nullopt;  // too large to hold
    }
}

}  // namespace rkt5
