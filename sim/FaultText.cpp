#include "sim/FaultText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <stdexcept>
#include <utility>

namespace rkt5::sim {

namespace {

constexpr std::array<std::pair<std::string_view, MessageKind>, 14> kKinds{{
    {"model", MessageKind::ModelCheck},
    {"connect0", MessageKind::ConnectMode0},
    {"connect1", MessageKind::ConnectMode1},
    {"connect2", MessageKind::ConnectMode2},
    {"pin", MessageKind::PortCommand},
    {"BE", MessageKind::EraseBlocks},
    {"PG", MessageKind::Program},
    {"ED", MessageKind::End},
    {"erase", MessageKind::EraseFrame},
    {"end", MessageKind::EndFrame},
    {"row", MessageKind::RowFrame},
    {"ok", MessageKind::OkFrame},
    {"ng", MessageKind::NgFrame},
    {"unknown", MessageKind::Unknown},
}};

bool sameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

[[noreturn]] void bad(std::string_view given, const std::string& why) {
    throw std::invalid_argument("bad fault \"" + std::string(given) + "\": " + why);
}

int parseCount(std::string_view given, std::string_view text, std::string_view what) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value < 0) {
        bad(given,
            std::string(what) + " must be a whole number >= 0, not \"" + std::string(text) + "\"");
    }
    return value;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string unescape(std::string_view given, std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) {
            bad(given, "reply text ends in a lone backslash");
        }
        switch (text[i]) {
            case 'r':
                out += '\r';
                break;
            case 'n':
                out += '\n';
                break;
            case '\\':
                out += '\\';
                break;
            case 'x': {
                const int high = i + 1 < text.size() ? hexDigit(text[i + 1]) : -1;
                const int low = i + 2 < text.size() ? hexDigit(text[i + 2]) : -1;
                if (high < 0 || low < 0) {
                    bad(given, "\\x needs two hex digits");
                }
                out += static_cast<char>(high * 16 + low);
                i += 2;
                break;
            }
            default:
                bad(given, std::string("unknown escape \\") + text[i]);
        }
    }
    return out;
}

}  // namespace

Fault parseFault(std::string_view given) {
    const auto first = given.find(':');
    const auto second = first == std::string_view::npos ? first : given.find(':', first + 1);
    if (second == std::string_view::npos) {
        bad(given, "expected KIND:K:ACTION, e.g. PG:3:reply=NG");
    }
    const std::string_view kindText = given.substr(0, first);
    const std::string_view occurrenceText = given.substr(first + 1, second - first - 1);
    const std::string_view actionText = given.substr(second + 1);

    Fault fault{};
    const auto kind = std::find_if(kKinds.begin(), kKinds.end(),
                                   [&](const auto& k) { return sameWord(k.first, kindText); });
    if (kind == kKinds.end()) {
        std::string names;
        for (const auto& k : kKinds) {
            names += names.empty() ? "" : ", ";
            names += k.first;
        }
        bad(given, "unknown kind \"" + std::string(kindText) + "\" (one of " + names + ")");
    }
    fault.kind = kind->second;

    if (occurrenceText == "*") {
        fault.occurrence = 0;
    } else {
        fault.occurrence = parseCount(given, occurrenceText, "K");
        if (fault.occurrence == 0) {
            bad(given, "K counts from 1 (or is * for every message)");
        }
    }

    const auto equals = actionText.find('=');
    const std::string_view action = actionText.substr(0, equals);
    const bool hasArgument = equals != std::string_view::npos;
    const std::string_view argument = hasArgument ? actionText.substr(equals + 1) : "";
    auto numberOr = [&](int fallback) {
        return hasArgument ? parseCount(given, argument, std::string(action)) : fallback;
    };
    auto required = [&] {
        if (!hasArgument) {
            bad(given, std::string(action) + " needs =N");
        }
        return parseCount(given, argument, std::string(action));
    };

    if (action == "reply") {
        fault.action = Fault::Action::Reply;
        fault.reply = unescape(given, argument);
        if (fault.reply.empty()) {
            bad(given, "reply needs a text, e.g. reply=NG");
        }
    } else if (action == "silent" && !hasArgument) {
        fault.action = Fault::Action::Silent;
    } else if (action == "drop-echo") {
        fault.action = Fault::Action::DropEcho;
        fault.count = numberOr(1);
    } else if (action == "corrupt-echo") {
        fault.action = Fault::Action::CorruptEcho;
        fault.count = numberOr(0);
    } else if (action == "corrupt-reply") {
        fault.action = Fault::Action::CorruptReply;
        fault.count = numberOr(0);
    } else if (action == "partial") {
        fault.action = Fault::Action::PartialReply;
        fault.count = required();
    } else if (action == "hangup") {
        fault.action = Fault::Action::HangUp;
        fault.count = required();
    } else if (action == "late") {
        fault.action = Fault::Action::Late;
        fault.delay = std::chrono::milliseconds(required());
    } else {
        bad(given, "unknown action \"" + std::string(actionText) +
                       "\" (reply=TEXT, silent, drop-echo[=N], corrupt-echo[=I], "
                       "corrupt-reply[=I], partial=N, hangup=N, late=MS)");
    }
    return fault;
}

std::string kindName(MessageKind kind) {
    for (const auto& [name, k] : kKinds) {
        if (k == kind) {
            return std::string(name);
        }
    }
    return "unknown";
}

}  // namespace rkt5::sim
