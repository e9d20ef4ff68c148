#include "cli/ArgParser.h"

namespace rkt5::cli {

const ArgParser::Option* ArgParser::find(std::string_view name) const {
    for (const Option& option : options_) {
        if (option.name == name)
            return &option;
    }
    return nullptr;
}

std::optional<std::string> ArgParser::value(std::string_view option) const {
    const auto it = values_.find(std::string(option));
    if (it == values_.end())
        return std::nullopt;
    return it->second;
}

bool ArgParser::parse(std::span<const std::string_view> args) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            help_ = true;
            return true;
        }
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            const std::size_t eq = arg.find('=');
            const std::string_view name = arg.substr(0, eq);
            const Option* option = find(name);
            if (option == nullptr) {
                error_ = "unknown option '" + std::string(name) + "'";
                return false;
            }
            if (!option->takesValue) {
                if (eq != std::string_view::npos) {
                    error_ = "option '" + std::string(name) + "' takes no value";
                    return false;
                }
                values_[std::string(name)] = "";
            } else if (eq != std::string_view::npos) {
                values_[std::string(name)] = std::string(arg.substr(eq + 1));
            } else if (i + 1 < args.size()) {
                values_[std::string(name)] = std::string(args[++i]);
            } else {
                error_ = "option '" + std::string(name) + "' needs a value";
                return false;
            }
            continue;
        }
        if (positional_.size() == positionalNames_.size()) {
            error_ = "unexpected argument '" + std::string(arg) + "'";
            return false;
        }
        positional_.emplace_back(arg);
    }
    if (positional_.size() < minPositional_) {
        error_ = "missing argument " + std::string(positionalNames_[positional_.size()]);
        return false;
    }
    return true;
}

}  // namespace rkt5::cli
