#include "link/ExchangeLog.h"

#include <QString>
#include <QSysInfo>
#include <QtGlobal>
#include <array>
#include <cstdio>

namespace rkt5 {

namespace {

// The reply codes' names, by code (see reply:: in RadioLink.h).
constexpr std::array<std::string_view, 14> kReplyNames{"OK", "NG",    "ED", "CT", "BE", "PG", "RA",
                                                       "EE", "other", "00", "01", "02", "03", "RE"};

}  // namespace

bool ExchangeLog::open(const std::string& path, std::string_view program, DeviceOf deviceOf) {
    out_.open(path, std::ios::trunc);
    if (!out_) {
        return false;
    }
    deviceOf_ = std::move(deviceOf);
    start_ = std::chrono::steady_clock::now();
    out_ << "# " << program << " " << RKT5_VERSION << ", firmware EG5.000\n"
         << "# Qt " << qVersion() << " on " << QSysInfo::prettyProductName().toStdString() << ", "
         << QSysInfo::kernelType().toStdString() << " " << QSysInfo::kernelVersion().toStdString()
         << ", " << QSysInfo::currentCpuArchitecture().toStdString() << "\n"
         << "# seconds   what  bytes (hex)\n"
         << std::flush;
    return true;
}

void ExchangeLog::portOpened(int comNumber, std::string_view settings) {
    const std::string device = deviceOf_ ? deviceOf_(comNumber) : std::string();
    line("open COM" + std::to_string(comNumber) + (device.empty() ? "" : " (" + device + ")") +
         ", " + std::string(settings));
}

void ExchangeLog::portClosed() {
    line("close");
}

void ExchangeLog::sent(std::span<const std::uint8_t> bytes, int sendNumber) {
    line("sent, send " + std::to_string(sendNumber) + ", " + std::to_string(bytes.size()) +
             " bytes:",
         bytes);
}

void ExchangeLog::received(std::span<const std::uint8_t> bytes) {
    line("received " + std::to_string(bytes.size()) + " bytes:", bytes);
}

void ExchangeLog::exchangeEnded(int awaited, int received, std::size_t dropped, bool echoBroken) {
    std::string text =
        "exchange ended: " + std::to_string(received) + " of " + std::to_string(awaited) + " bytes";
    if (dropped > 0) {
        text += ", " + std::to_string(dropped) + " earlier bytes dropped";
    }
    if (echoBroken) {
        text += ", echo came back wrong";
    }
    line(text);
}

void ExchangeLog::reply(int status) {
    const std::string_view name =
        status >= 0 && static_cast<std::size_t>(status) < kReplyNames.size()
            ? kReplyNames[static_cast<std::size_t>(status)]
            : "?";
    line("reply " + std::string(name) + ", status " + std::to_string(status));
}

void ExchangeLog::line(std::string_view what, std::span<const std::uint8_t> bytes) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    char stamp[24];
    std::snprintf(stamp, sizeof stamp, "%10.6f  ", seconds);
    std::string text = stamp;
    text += what;
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (const std::uint8_t byte : bytes) {
        text += ' ';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    text += '\n';
    out_ << text << std::flush;
}

}  // namespace rkt5
