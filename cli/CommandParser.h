#pragma once

#include <QCommandLineParser>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Command.h"

namespace rkt5::cli {

// One command's arguments read with Qt's parser: its options, its positional arguments (some of
// them required), "-h"/"--help" and usage errors answered the same way by every command.
class CommandParser {
  public:
    // `about` is what help shows above the options: the usage line and what the command does.
    CommandParser(std::string_view command, std::string_view about);

    void addOption(const QCommandLineOption& option);
    // Positional arguments in the order they are given, each up to `times` in a row.
    void addPositional(std::string_view name, std::string_view description, bool required,
                       std::size_t times = 1);

    // Nothing when the command should run; otherwise the exit code, after the help text (on
    // out) or the usage error (on err) has been written.
    std::optional<int> parse(std::span<const std::string_view> args, const CommandIo& io);

    // Options are named without their leading "--".
    bool isSet(std::string_view option) const;
    std::optional<std::string> value(std::string_view option) const;
    // Every value of an option given more than once, in order.
    std::vector<std::string> values(std::string_view option) const;
    const std::vector<std::string>& positional() const { return positional_; }

    std::string helpText() const;
    // Writes "rkt5-flash COMMAND: why" and the help text; gives the usage exit code.
    int usageError(const CommandIo& io, std::string_view why) const;

  private:
    std::optional<std::string> positionalCountError() const;

    std::string command_;
    std::string about_;
    QCommandLineParser parser_;
    QCommandLineOption help_;
    std::vector<std::string> positionalNames_;
    std::size_t required_ = 0;
    std::vector<std::string> positional_;
};

}  // namespace rkt5::cli
