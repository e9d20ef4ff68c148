#include "cli/CommandParser.h"

#include <QStringList>
#include <ostream>

namespace rkt5::cli {

namespace {

QString qt(std::string_view text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

std::string local(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

}  // namespace

CommandParser::CommandParser(std::string_view command, std::string_view about)
    : command_(command), about_(about), help_(parser_.addHelpOption()) {}

void CommandParser::addOption(const QCommandLineOption& option) {
    parser_.addOption(option);
}

void CommandParser::addPositional(std::string_view name, std::string_view description,
                                  bool required, std::size_t times) {
    parser_.addPositionalArgument(qt(name), qt(description));
    positionalNames_.insert(positionalNames_.end(), times, std::string(name));
    required_ += required ? times : 0;
}

std::optional<int> CommandParser::parse(std::span<const std::string_view> args,
                                        const CommandIo& io) {
    // The parser skips the first argument as the program's name.
    QStringList arguments{qt("rkt5-flash")};
    for (const std::string_view arg : args) {
        arguments.append(qt(arg));
    }
    if (!parser_.parse(arguments)) {
        return usageError(io, local(parser_.errorText()));
    }
    // --help-all would add Qt's own options, of which a terminal command takes none.
    if (parser_.isSet(help_) || parser_.isSet("help-all")) {
        io.out << helpText();
        return kExitOk;
    }
    for (const QString& arg : parser_.positionalArguments()) {
        positional_.push_back(local(arg));
    }
    if (const auto error = positionalCountError()) {
        return usageError(io, *error);
    }
    return std::nullopt;
}

std::optional<std::string> CommandParser::positionalCountError() const {
    if (positional_.size() > positionalNames_.size()) {
        return "unexpected argument '" + positional_[positionalNames_.size()] + "'";
    }
    if (positional_.size() < required_) {
        return "missing argument " + positionalNames_[positional_.size()];
    }
    return std::nullopt;
}

bool CommandParser::isSet(std::string_view option) const {
    return parser_.isSet(qt(option));
}

std::optional<std::string> CommandParser::value(std::string_view option) const {
    if (!isSet(option)) {
        return std::nullopt;
    }
    return local(parser_.value(qt(option)));
}

std::vector<std::string> CommandParser::values(std::string_view option) const {
    std::vector<std::string> all;
    for (const QString& text : parser_.values(qt(option))) {
        all.push_back(local(text));
    }
    return all;
}

std::string CommandParser::helpText() const {
    // Qt's usage line cannot say which options a command requires; ours takes its place.
    const std::string generated = local(parser_.helpText());
    return about_ + generated.substr(generated.find('\n') + 1);
}

int CommandParser::usageError(const CommandIo& io, std::string_view why) const {
    io.err << "rkt5-flash " << command_ << ": " << why << "\n" << helpText();
    return kExitUsage;
}

}  // namespace rkt5::cli
