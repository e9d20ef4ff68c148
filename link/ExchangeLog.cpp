#include "link/ExchangeLog.h"

#include <QString>
#include <QSysInfo>
#include <QtGlobal>
#include <algorithm>
#include <cstdio>

namespace rkt5 {

bool ExchangeLog::open(const std::string& path, std::string_view program, CableOf cableOf) {
    out_.open(path, std::ios::trunc);
    if (!out_) {
        return false;
    }
    cableOf_ = std::move(cableOf);
    described_.clear();
    start_ = std::chrono::steady_clock::now();
    out_ << "# " << program << " " << RKT5_VERSION << ", firmware EG5.000\n"
         << "# Qt " << qVersion() << " on " << QSysInfo::prettyProductName().toStdString() << ", "
         << QSysInfo::kernelType().toStdString() << " " << QSysInfo::kernelVersion().toStdString()
         << ", " << QSysInfo::currentCpuArchitecture().toStdString() << "\n"
         << "# seconds   what  bytes (hex)\n"
         << std::flush;
    return true;
}

void ExchangeLog::portOpened(const PortIdentity& port, const LineSettings& settings) {
    if (!isOpen()) {
        return;
    }
    const std::string& name = port.displayName;
    if (cableOf_ && std::ranges::find(described_, port.device) == described_.end()) {
        described_.push_back(port.device);
        // A report read later says which cable the exchanges went through, and what was off.
        const std::string cable = cableOf_(port.device);
        std::string prefix = "# " + name + ": ";
        for (std::size_t start = 0; start < cable.size();) {
            const std::size_t end = std::min(cable.find('\n', start), cable.size());
            out_ << prefix << cable.substr(start, end - start) << "\n";
            prefix = "# ";
            start = end + 1;
        }
    }
    line("open " + name + ", " + settings.text());
}

void ExchangeLog::portClosed() {
    line("close");
}

void ExchangeLog::exchangeBegan(std::span<const std::uint8_t> bytes, int sendNumber) {
    if (!isOpen()) {
        return;
    }
    sendNumber_ = sendNumber;
    sent(bytes);
}

void ExchangeLog::sentMore(std::span<const std::uint8_t> bytes) {
    sent(bytes);
}

void ExchangeLog::sent(std::span<const std::uint8_t> bytes) {
    line("sent, send " + std::to_string(sendNumber_) + ", " + std::to_string(bytes.size()) +
             " bytes:",
         bytes);
}

void ExchangeLog::received(std::span<const std::uint8_t> bytes) {
    if (!isOpen()) {
        return;  // the hot path of every wait: not even the words are made
    }
    line("received " + std::to_string(bytes.size()) + " bytes:", bytes);
}

void ExchangeLog::exchangeEnded(const ExchangeRecord& exchange) {
    std::string text = "exchange ended: " + std::to_string(exchange.received) + " of " +
                       std::to_string(exchange.awaited) + " bytes";
    if (exchange.dropped > 0) {
        text += ", " + std::to_string(exchange.dropped) + " earlier bytes dropped";
    }
    if (exchange.echoBroken) {
        text += ", echo came back wrong";
    }
    if (!exchange.lineErrors.empty()) {
        text += ", line errors: " + exchange.lineErrors;
    }
    line(text);
}

void ExchangeLog::reply(Reply reply) {
    line("reply " + std::string(replyName(reply)) + ", status " + std::to_string(statusOf(reply)));
}

void ExchangeLog::note(std::string_view text) {
    line("note " + std::string(text));
}

void ExchangeLog::line(std::string_view what, std::span<const std::uint8_t> bytes) {
    if (!isOpen()) {
        return;
    }
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
