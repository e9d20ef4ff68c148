#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rkt5 {

// The whole content of a regular file, read at once; nothing when it cannot be opened or read (a
// missing file, a directory or device, no permission, no memory for it), and then, given
// `whyNot`, the reason in the system's words there.
std::optional<std::string> readFileText(const std::string& path, std::string* whyNot = nullptr);

// Walks the lines of a firmware text. A line ends at CR or at CR LF (one line end); LF alone is
// part of the line. A last line without a line end still counts, but text that ends with a line
// end has no empty line after it.
class TextLineReader {
  public:
    explicit TextLineReader(std::string_view text) : text_(text) {}

    bool next(std::string_view& line) {
        if (pos_ >= text_.size())
            return false;
        const std::size_t end = text_.find('\r', pos_);
        if (end == std::string_view::npos) {
            line = text_.substr(pos_);
            pos_ = text_.size();
            return true;
        }
        line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        if (pos_ < text_.size() && text_[pos_] == '\n')
            ++pos_;
        return true;
    }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace rkt5
