// rkt5-updater: the operator's window.
//
//   rkt5-updater [--port COMn=DEVICE]... [--log FILE] [--quit-when-shown]
//
// Each --port binds a COM number of the "COM" menu to a device (on Linux, a serial port such as
// /dev/ttyUSB0, or the pseudo-terminal of the simulated transceiver). --log writes every exchange
// to FILE, for a report. --quit-when-shown ends the
// program once its window, with the image loaded, has painted itself: for timing start-up, and
// for checking that an installed copy starts at all.

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <cstdio>
#include <optional>
#include <string_view>

#include "common/RunTimeError.h"
#include "link/PortNames.h"
#include "ui/FrmMain.h"
#include "ui/MessageSink.h"
#include "ui/QuitAfterFirstPaint.h"

namespace {

constexpr std::string_view kUsage =
    "usage: rkt5-updater [--port COMn=DEVICE]... [--log FILE] [--quit-when-shown]\n"
    "\n"
    "Opens the updater's window. Choose the port in the \"COM\" menu and press \"Start\".\n";

struct WindowOptions {
    rkt5::PortNames names;
    QString logPath;
    bool quitWhenShown = false;
};

QIcon programIcon() {
    QIcon icon;
    icon.addFile(":/icons/rkt5-updater-48.png");
    icon.addFile(":/icons/rkt5-updater-256.png");
    return icon;
}

QString helpText(const QCommandLineParser& parser) {
    // Qt's usage line names the program by the path it was started by; ours by its name.
    const QString generated = parser.helpText();
    return QString::fromUtf8(kUsage.data(), static_cast<qsizetype>(kUsage.size())) +
           generated.mid(generated.indexOf('\n') + 1);
}

// Reads the arguments that QApplication left; nothing when the window should open, else the
// exit code after help, the version or a usage error.
std::optional<int> readArguments(WindowOptions& options) {
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(
        {"port", "the device that menu item COMn stands for (repeatable)", "COMn=DEVICE"});
    parser.addOption({"log", "write every exchange with the transceiver to FILE", "FILE"});
    parser.addOption({"quit-when-shown", "end as soon as the window is shown and ready"});
    if (!parser.parse(QApplication::arguments())) {
        std::fprintf(stderr, "rkt5-updater: %s\n%s", qPrintable(parser.errorText()),
                     qPrintable(helpText(parser)));
        return 2;
    }
    if (parser.isSet("help") || parser.isSet("help-all")) {
        std::fputs(qPrintable(helpText(parser)), stdout);
        return 0;
    }
    if (parser.isSet("version")) {
        std::printf("rkt5-updater %s\n", RKT5_VERSION);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "rkt5-updater: unexpected argument '%s'\n%s",
                     qPrintable(parser.positionalArguments().first()),
                     qPrintable(helpText(parser)));
        return 2;
    }
    try {
        for (const QString& binding : parser.values("port")) {
            options.names.addBinding(binding.toStdString());
        }
    } catch (const rkt5::RunTimeError& bad) {
        std::fprintf(stderr, "rkt5-updater: --port: %s\n", bad.what());
        return 2;
    }
    options.logPath = parser.value("log");
    options.quitWhenShown = parser.isSet("quit-when-shown");
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("rkt5-updater");
    QApplication::setApplicationVersion(RKT5_VERSION);
    QGuiApplication::setDesktopFileName("rkt5-updater");
    QApplication::setWindowIcon(programIcon());

    WindowOptions options;
    if (const auto exitCode = readArguments(options)) {
        return *exitCode;
    }
    rkt5::MessageBoxSink messages;
    rkt5::frmMain window(messages, std::move(options.names));
    messages.setParent(&window);
    if (!options.logPath.isEmpty() && !window.startExchangeLog(options.logPath.toStdString())) {
        std::fprintf(stderr, "rkt5-updater: cannot write the log '%s'\n",
                     qPrintable(options.logPath));
        return 1;
    }
    window.Form_Load();
    if (options.quitWhenShown) {
        new rkt5::QuitAfterFirstPaint(window);
    }
    window.show();
    return application.exec();
}
