#pragma once

#include <QCommandLineParser>
#include <optional>
#include <string>
#include <vector>

#include "serial/PortNames.h"

namespace rkt5 {

// What the windows' command lines have in common, read one way in each: --help, --version,
// --port COMn=DEVICE (repeatable) and --quit-when-shown. A program adds its own options to
// parser() before read() and reads their values after it.
class WindowCommandLine {
  public:
    // `usage` opens the help text: the usage line and what the program does.
    // --port binds numbers up to `lastPortNumber`.
    WindowCommandLine(std::string program, std::string usage,
                      int lastPortNumber = PortNames::kLastNumber);

    QCommandLineParser& parser() { return parser_; }
    const QCommandLineParser& parser() const { return parser_; }
    // Reads QApplication's arguments: nothing when the window should open, else the exit code
    // after help, the version or a usage error.
    std::optional<int> read();
    // A bad value of one of the program's own options, said on standard error; the exit code.
    int usageError(const QString& what) const;

    PortNames& names() { return names_; }
    const PortNames& names() const { return names_; }
    // The numbers --port bound, each once, in the order first given.
    const std::vector<int>& boundNumbers() const { return bound_; }
    bool quitWhenShown() const { return parser_.isSet("quit-when-shown"); }

    static constexpr int kUsageExit = 2;

  private:
    QString helpText() const;
    bool readBindings();

    std::string program_;
    std::string usage_;
    QCommandLineParser parser_;
    PortNames names_;
    std::vector<int> bound_;
    int lastPortNumber_;
};

}  // namespace rkt5
