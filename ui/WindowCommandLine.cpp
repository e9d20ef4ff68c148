#include "ui/WindowCommandLine.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <utility>

#include "common/RunTimeError.h"

namespace rkt5 {

WindowCommandLine::WindowCommandLine(std::string program, std::string usage, int lastPortNumber)
    : program_(std::move(program)), usage_(std::move(usage)), lastPortNumber_(lastPortNumber) {
    parser_.addHelpOption();
    parser_.addVersionOption();
    parser_.addOption(
        {"port", "the device that COM number n stands for (repeatable)", "COMn=DEVICE"});
    parser_.addOption({"quit-when-shown", "end as soon as the window is shown and ready"});
}

QString WindowCommandLine::helpText() const {
    // Qt's usage line names the program by the path it was started by; ours by its name.
    const QString generated = parser_.helpText();
    return QString::fromStdString(usage_) + generated.mid(generated.indexOf('\n') + 1);
}

int WindowCommandLine::usageError(const QString& what) const {
    std::fprintf(stderr, "%s: %s\n", program_.c_str(), qPrintable(what));
    return kUsageExit;
}

std::optional<int> WindowCommandLine::read() {
    if (!parser_.parse(QApplication::arguments())) {
        usageError(parser_.errorText());
        std::fputs(qPrintable(helpText()), stderr);
        return kUsageExit;
    }
    if (parser_.isSet("help") || parser_.isSet("help-all")) {
        std::fputs(qPrintable(helpText()), stdout);
        return 0;
    }
    if (parser_.isSet("version")) {
        std::printf("%s %s\n", program_.c_str(), qPrintable(QApplication::applicationVersion()));
        return 0;
    }
    if (!parser_.positionalArguments().isEmpty()) {
        usageError("unexpected argument '" + parser_.positionalArguments().first() + "'");
        std::fputs(qPrintable(helpText()), stderr);
        return kUsageExit;
    }
    if (!readBindings()) {
        return kUsageExit;
    }
    return std::nullopt;
}

bool WindowCommandLine::readBindings() {
    try {
        for (const QString& binding : parser_.values("port")) {
            const int number = names_.addBinding(binding.toStdString(), lastPortNumber_);
            if (std::ranges::find(bound_, number) == bound_.end()) {
                bound_.push_back(number);
            }
        }
    } catch (const RunTimeError& bad) {
        usageError(QStringLiteral("--port: ") + bad.what());
        return false;
    }
    return true;
}

}  // namespace rkt5
