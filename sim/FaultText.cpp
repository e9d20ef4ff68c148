#include "sim/FaultText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <utility>

#include "common/PrintableText.h"

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
            case '"':  // as the programs quote answers in their reasons
                out += text[i];
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

MessageKind parseKind(std::string_view given, std::string_view text) {
    const auto kind = std::find_if(kKinds.begin(), kKinds.end(),
                                   [&](const auto& k) { return sameWord(k.first, text); });
    if (kind == kKinds.end()) {
        std::string names;
        for (const auto& k : kKinds) {
            names += names.empty() ? "" : ", ";
            names += k.first;
        }
        bad(given, "unknown kind \"" + std::string(text) + "\" (one of " + names + ")");
    }
    return kind->second;
}

int parseOccurrence(std::string_view given, std::string_view text) {
    if (text == "*") {
        return 0;
    }
    const int occurrence = parseCount(given, text, "K");
    if (occurrence == 0) {
        bad(given, "K counts from 1 (or is * for every message)");
    }
    return occurrence;
}

// The actions that carry a count: N or I, with its default when "=N" may be left out.
struct CountAction {
    std::string_view name;
    Fault::Action action;
    std::optional<int> fallback;
};

constexpr CountAction kCountActions[] = {
    {"drop-echo", Fault::Action::DropEcho, 1},
    {"corrupt-echo", Fault::Action::CorruptEcho, 0},
    {"corrupt-reply", Fault::Action::CorruptReply, 0},
    {"partial", Fault::Action::PartialReply, std::nullopt},
    {"hangup", Fault::Action::HangUp, std::nullopt},
};

// ACTION[=ARG]: the action and the count, delay or reply it carries.
void parseAction(std::string_view given, std::string_view text, Fault& fault) {
    const auto equals = text.find('=');
    const std::string action(text.substr(0, equals));
    const std::optional<std::string_view> argument =
        equals == std::string_view::npos ? std::nullopt : std::optional(text.substr(equals + 1));
    const auto count = [&](std::optional<int> fallback) {
        if (!argument && !fallback) {
            bad(given, action + " needs =N");
        }
        return argument ? parseCount(given, *argument, action) : *fallback;
    };
    const auto counted = std::find_if(std::begin(kCountActions), std::end(kCountActions),
                                      [&](const CountAction& c) { return c.name == action; });
    if (action == "reply") {
        fault.action = Fault::Action::Reply;
        fault.reply = unescape(given, argument.value_or(""));
        if (fault.reply.empty()) {
            bad(given, "reply needs a text, e.g. reply=NG");
        }
    } else if (action == "silent" && !argument) {
        fault.action = Fault::Action::Silent;
    } else if (action == "late") {
        fault.action = Fault::Action::Late;
        fault.delay = std::chrono::milliseconds(count(std::nullopt));
    } else if (counted != std::end(kCountActions)) {
        fault.action = counted->action;
        fault.count = count(counted->fallback);
    } else {
        bad(given, "unknown action \"" + std::string(text) +
                       "\" (reply=TEXT, silent, drop-echo[=N], corrupt-echo[=I], "
                       "corrupt-reply[=I], partial=N, hangup=N, late=MS)");
    }
}

}  // namespace

Fault parseFault(std::string_view given) {
    const auto first = given.find(':');
    const auto second = first == std::string_view::npos ? first : given.find(':', first + 1);
    if (second == std::string_view::npos) {
        bad(given, "expected KIND:K:ACTION, e.g. PG:3:reply=NG");
    }
    Fault fault{};
    fault.kind = parseKind(given, given.substr(0, first));
    fault.occurrence = parseOccurrence(given, given.substr(first + 1, second - first - 1));
    parseAction(given, given.substr(second + 1), fault);
    return fault;
}

std::string faultText(const Fault& fault) {
    std::string text = kindName(fault.kind) + ":" +
                       (fault.occurrence == 0 ? "*" : std::to_string(fault.occurrence)) + ":";
    switch (fault.action) {
        case Fault::Action::Reply:
            return text + "reply=" + printableText(fault.reply);
        case Fault::Action::Silent:
            return text + "silent";
        case Fault::Action::Late:
            return text + "late=" + std::to_string(fault.delay.count());
        default:
            break;
    }
    const auto counted =
        std::find_if(std::begin(kCountActions), std::end(kCountActions),
                     [&](const CountAction& c) { return c.action == fault.action; });
    return text + std::string(counted->name) + "=" + std::to_string(fault.count);
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
