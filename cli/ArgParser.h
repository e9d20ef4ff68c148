#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rkt5::cli {

// A small command-line parser for one subcommand: long options ("--name VALUE", "--name=VALUE" or
// a bare flag), "-h"/"--help", "--" to end options, and a bounded number of positional arguments.
class ArgParser {
  public:
    struct Option {
        std::string_view name;  // with the leading "--"
        bool takesValue = false;
    };

    // positionalNames name every positional argument the command takes (as its usage writes
    // them); the first minPositional of them are required.
    ArgParser(std::vector<Option> options, std::vector<std::string_view> positionalNames,
              std::size_t minPositional)
        : options_(std::move(options)),
          positionalNames_(std::move(positionalNames)),
          minPositional_(minPositional) {}

    // False on a usage error; error() then names the offending argument.
    bool parse(std::span<const std::string_view> args);

    bool helpRequested() const { return help_; }
    bool has(std::string_view option) const { return values_.count(std::string(option)) != 0; }
    std::optional<std::string> value(std::string_view option) const;
    const std::vector<std::string>& positional() const { return positional_; }
    const std::string& error() const { return error_; }

  private:
    const Option* find(std::string_view name) const;

    std::vector<Option> options_;
    std::vector<std::string_view> positionalNames_;
    std::size_t minPositional_;
    bool help_ = false;
    std::map<std::string, std::string> values_;
    std::vector<std::string> positional_;
    std::string error_;
};

}  // namespace rkt5::cli
