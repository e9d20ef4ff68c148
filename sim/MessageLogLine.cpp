#include "sim/MessageLogLine.h"

#include <charconv>

#include "sim/FaultText.h"

namespace rkt5::sim {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

std::optional<MessageKind> kindNamed(std::string_view name) {
    for (int k = 0; k <= static_cast<int>(MessageKind::Unknown); ++k) {
        if (kindName(static_cast<MessageKind>(k)) == name) {
            return static_cast<MessageKind>(k);
        }
    }
    return std::nullopt;
}

}  // namespace

std::string messageLogLine(const ReceivedMessage& message) {
    std::string line = kindName(message.kind) + " " + std::to_string(message.lineSpeed) + " ";
    for (const std::uint8_t byte : message.bytes) {
        line += kHexDigits[byte >> 4];
        line += kHexDigits[byte & 0x0F];
    }
    return line + "\n";
}

std::optional<ReceivedMessage> parseMessageLogLine(std::string_view line) {
    const auto first = line.find(' ');
    const auto second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    if (second == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<MessageKind> kind = kindNamed(line.substr(0, first));
    ReceivedMessage message{kind.value_or(MessageKind::Unknown), {}, 0};
    const std::string_view speed = line.substr(first + 1, second - first - 1);
    const auto [end, error] =
        std::from_chars(speed.data(), speed.data() + speed.size(), message.lineSpeed);
    const std::string_view hex = line.substr(second + 1);
    if (!kind || error != std::errc{} || end != speed.data() + speed.size() ||
        hex.size() % 2 != 0) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned byte = 0;
        const auto [byteEnd, byteError] =
            std::from_chars(hex.data() + i, hex.data() + i + 2, byte, 16);
        if (byteError != std::errc{} || byteEnd != hex.data() + i + 2) {
            return std::nullopt;
        }
        message.bytes.push_back(static_cast<std::uint8_t>(byte));
    }
    return message;
}

}  // namespace rkt5::sim
