// rkt5-station: many transceivers updated at once, a row per port.
//
//   rkt5-station [--port COMn=DEVICE]... [--record FILE] [--log DIR] [--baud N]
//                [--timeout-ms N] [--quit-when-shown]
//
// Without --port the rows are the USB serial adapters the system lists, read again every few
// seconds; with it, the rows are the bound ports. --quit-when-shown ends the program once its
// window has painted itself: for checking that an installed copy starts at all.

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <memory>

#include "firmware/FirmwareLines.h"
#include "image/StartupImage.h"
#include "ui/QuitAfterFirstPaint.h"
#include "ui/WindowCommandLine.h"
#include "ui/WindowProgram.h"
#include "ui/station/StationOptions.h"
#include "ui/station/StationWindow.h"

namespace {

constexpr const char* kUsage =
    "usage: rkt5-station [--port COMn=DEVICE]... [--record FILE] [--log DIR] [--baud N]\n"
    "                    [--timeout-ms N] [--quit-when-shown]\n"
    "\n"
    "Updates many RK-T5 transceivers at once with firmware EG5.000, a row per port: the USB\n"
    "serial adapters plugged in (a new one appears within seconds), or the ports bound with\n"
    "--port. Nothing starts until \"Start all\" or a row's \"Start\" is pressed.\n";

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    rkt5::identifyWindowProgram("rkt5-station");

    // A station has no port menu: a hub of cables goes past its sixteen numbers.
    rkt5::WindowCommandLine line("rkt5-station", kUsage, rkt5::PortNames::kLastWindowsNumber);
    rkt5::addStationOptions(line);
    if (const auto exitCode = line.read()) {
        return *exitCode;
    }
    const auto options = rkt5::readStationOptions(line);
    if (!options) {
        return rkt5::WindowCommandLine::kUsageExit;
    }
    if (!options->logFolder.empty() && !rkt5::makeLogFolder(options->logFolder)) {
        std::fprintf(stderr, "rkt5-station: --log: '%s' is no folder the logs can go to\n",
                     options->logFolder.c_str());
        return 1;
    }
    if (!options->recordPath.empty()) {
        if (const auto why = rkt5::whyRecordRefused(options->recordPath)) {
            // Before any row is lost to it: the operator names another record or mends this one.
            std::fprintf(stderr, "rkt5-station: --record: %s\n", why->c_str());
            QMessageBox::critical(nullptr, QStringLiteral("RK-T5 station"),
                                  QString::fromStdString(*why));
            return 1;
        }
    }
    const auto image = std::make_unique<rkt5::FlashImage>();
    buildStartupImage(*image, *std::make_unique<rkt5::FirmwareTable>());

    rkt5::StationWindow window(
        {image.get(), options->speedIndex, options->timeout},
        rkt5::stationRecords(options->recordPath, options->logFolder, true,
                             std::string(rkt5::kStartupFirmwareVersion), *image),
        rkt5::PortListing(std::move(line.names()), line.boundNumbers()));
    if (line.quitWhenShown()) {
        new rkt5::QuitAfterFirstPaint(window);
    }
    window.show();
    return application.exec();
}
