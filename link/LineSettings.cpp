#include "link/LineSettings.h"

#include <cctype>
#include <charconv>
#include <vector>

#include "common/RunTimeError.h"

namespace rkt5 {

namespace {

// Highest speed any port we drive can be set to; anything above is a typo.
constexpr int kHighestBaud = 4'000'000;

[[noreturn]] void reject(std::string_view text, std::string_view why) {
    throw RunTimeError(ErrorNumber::ValueOutOfRange,
                       "invalid line settings \"" + std::string(text) + "\": " + std::string(why));
}

std::vector<std::string_view> splitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos) {
            return fields;
        }
        start = comma + 1;
    }
}

// A whole field of decimal digits, nothing else (no sign, no blanks).
bool readNumber(std::string_view field, int& value) {
    if (field.empty()) {
        return false;
    }
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    return error == std::errc() && end == field.data() + field.size();
}

}  // namespace

LineSettings LineSettings::parse(std::string_view text) {
    const std::vector<std::string_view> fields = splitFields(text);
    if (fields.size() != 4) {
        reject(text, "expected speed,parity,data bits,stop bits");
    }
    LineSettings settings;
    if (!readNumber(fields[0], settings.baud) || settings.baud <= 0 ||
        settings.baud > kHighestBaud) {
        reject(text, "speed must be a number of bits per second");
    }
    const std::string_view parityText = "neoms";
    if (fields[1].size() != 1 ||
        parityText.find(static_cast<char>(
            std::tolower(static_cast<unsigned char>(fields[1][0])))) == std::string_view::npos) {
        reject(text, "parity must be one of n, e, o, m, s");
    }
    settings.parity = static_cast<char>(std::tolower(static_cast<unsigned char>(fields[1][0])));
    if (!readNumber(fields[2], settings.dataBits) || settings.dataBits < 5 ||
        settings.dataBits > 8) {
        reject(text, "data bits must be 5 to 8");
    }
    if (!readNumber(fields[3], settings.stopBits) ||
        (settings.stopBits != 1 && settings.stopBits != 2)) {
        reject(text, "stop bits must be 1 or 2");
    }
    return settings;
}

std::string LineSettings::text() const {
    return std::to_string(baud) + ',' + parity + ',' + std::to_string(dataBits) + ',' +
           std::to_string(stopBits);
}

}  // namespace rkt5
