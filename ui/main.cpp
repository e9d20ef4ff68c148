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
#include <cstdio>

#include "ui/FrmMain.h"
#include "ui/MessageSink.h"
#include "ui/QuitAfterFirstPaint.h"
#include "ui/WindowCommandLine.h"
#include "ui/WindowProgram.h"

namespace {

constexpr const char* kUsage =
    "usage: rkt5-updater [--port COMn=DEVICE]... [--log FILE] [--quit-when-shown]\n"
    "\n"
    "Opens the updater's window. Choose the port in the \"COM\" menu and press \"Start\".\n";

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    rkt5::identifyWindowProgram("rkt5-updater");

    rkt5::WindowCommandLine options("rkt5-updater", kUsage);
    options.parser().addOption(
        {"log", "write every exchange with the transceiver to FILE", "FILE"});
    if (const auto exitCode = options.read()) {
        return *exitCode;
    }
    rkt5::MessageBoxSink messages;
    rkt5::frmMain window(messages, std::move(options.names()));
    messages.setParent(&window);
    const QString logPath = options.parser().value("log");
    if (!logPath.isEmpty() && !window.startExchangeLog(logPath.toStdString())) {
        std::fprintf(stderr, "rkt5-updater: cannot write the log '%s'\n", qPrintable(logPath));
        return 1;
    }
    window.Form_Load();
    if (options.quitWhenShown()) {
        new rkt5::QuitAfterFirstPaint(window);
    }
    window.show();
    return application.exec();
}
