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
#include <QIcon>
#include <cstdio>
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
    "Opens the updater's window. Choose the port in the \"COM\" menu and press \"Start\".\n"
    "  --port COMn=DEVICE  the device that menu item COMn stands for (repeatable)\n"
    "  --log FILE          write every exchange with the transceiver to FILE\n"
    "  --quit-when-shown   end as soon as the window is shown and ready\n";

QIcon programIcon() {
    QIcon icon;
    icon.addFile(":/icons/rkt5-updater-48.png");
    icon.addFile(":/icons/rkt5-updater-256.png");
    return icon;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("rkt5-updater");
    QGuiApplication::setDesktopFileName("rkt5-updater");
    QApplication::setWindowIcon(programIcon());

    rkt5::PortNames names;
    bool quitWhenShown = false;
    QString logPath;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage.data(), stdout);
            return 0;
        }
        if (arg == "--quit-when-shown") {
            quitWhenShown = true;
            continue;
        }
        if (arg == "--log" && i + 1 < args.size()) {
            logPath = args[++i];
            continue;
        }
        QString binding;
        if (arg == "--port" && i + 1 < args.size()) {
            binding = args[++i];
        } else if (arg.startsWith("--port=")) {
            binding = arg.mid(7);
        } else {
            std::fprintf(stderr, "rkt5-updater: unknown argument '%s'\n%s", qPrintable(arg),
                         kUsage.data());
            return 2;
        }
        try {
            names.addBinding(binding.toStdString());
        } catch (const rkt5::RunTimeError& bad) {
            std::fprintf(stderr, "rkt5-updater: --port: %s\n", bad.what());
            return 2;
        }
    }

    rkt5::MessageBoxSink messages;
    rkt5::frmMain window(messages, std::move(names));
    messages.setParent(&window);
    if (!logPath.isEmpty() && !window.startExchangeLog(logPath.toStdString())) {
        std::fprintf(stderr, "rkt5-updater: cannot write the log '%s'\n", qPrintable(logPath));
        return 1;
    }
    window.Form_Load();
    if (quitWhenShown) {
        new rkt5::QuitAfterFirstPaint(window);
    }
    window.show();
    return application.exec();
}
