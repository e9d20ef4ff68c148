// rkt5-updater: the operator's window.
//
//   rkt5-updater [--port COMn=DEVICE]...
//
// Each --port binds a COM number of the "COM" menu to a device (on Linux, a serial port such as
// /dev/ttyUSB0, or the pseudo-terminal of the simulated transceiver).

#include <QApplication>
#include <cstdio>
#include <string_view>

#include "common/RunTimeError.h"
#include "link/PortNames.h"
#include "ui/FrmMain.h"
#include "ui/MessageSink.h"

namespace {

constexpr std::string_view kUsage =
    "usage: rkt5-updater [--port COMn=DEVICE]...\n"
    "\n"
    "Opens the updater's window. Choose the port in the \"COM\" menu and press \"Start\".\n"
    "  --port COMn=DEVICE  the device that menu item COMn stands for (repeatable)\n";

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    rkt5::PortNames names;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage.data(), stdout);
            return 0;
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
    window.Form_Load();
    window.show();
    return application.exec();
}
