#include "serial/QtSerialPort.h"

#include <climits>

#include "common/RunTimeError.h"
#include "serial/LowLatency.h"
#include "serial/OpenFailure.h"

namespace rkt5 {

namespace {

QSerialPort::Parity parityOf(Parity parity) {
    switch (parity) {
        case Parity::Even:
            return QSerialPort::EvenParity;
        case Parity::Odd:
            return QSerialPort::OddParity;
        case Parity::Mark:
            return QSerialPort::MarkParity;
        case Parity::Space:
            return QSerialPort::SpaceParity;
        case Parity::None:
            break;
    }
    return QSerialPort::NoParity;
}

}  // namespace

QtSerialPort::QtSerialPort() = default;

QtSerialPort::~QtSerialPort() {
    port_.close();
}

bool QtSerialPort::portOpen() const {
    return port_.isOpen();
}

void QtSerialPort::setPortOpen(bool open) {
    if (!open) {
        port_.close();
        port_.clearError();
        return;
    }
    if (port_.isOpen()) {
        return;
    }
    port_.setPortName(QString::fromStdString(deviceToOpen()));
    port_.clearError();
    if (!port_.open(QIODevice::ReadWrite)) {
        const std::string message =
            "cannot open " + displayName() + ": " + openFailureReason(port_, device());
        port_.clearError();
        throw RunTimeError(ErrorNumber::PortOpenFailed, message);
    }
    // A port opens with an empty receive buffer: what came in while it was closed (a late answer
    // to the last exchange) must not pass for the next exchange's echo.
    port_.clear(QSerialPort::Input);
    requestLowLatency(port_.handle());
    try {
        applySettings();
    } catch (...) {
        port_.close();
        port_.clearError();
        throw;
    }
}

void QtSerialPort::output(std::span<const std::uint8_t> bytes) {
    requireOpen("write to");
    checkLine();
    if (bytes.empty()) {
        return;
    }
    const auto size = static_cast<qint64>(bytes.size());
    if (port_.write(reinterpret_cast<const char*>(bytes.data()), size) != size) {
        const std::string reason = port_.errorString().toStdString();
        port_.clearError();
        throw RunTimeError(ErrorNumber::PortWriteFailed,
                           "cannot write to " + device() + ": " + reason);
    }
    // QSerialPort hands bytes to the system from the event loop; push them out now, so the reply
    // time-out that the caller arms next starts when they have left.
    port_.flush();
    while (port_.bytesToWrite() > 0) {
        if (!port_.waitForBytesWritten(static_cast<int>(kWriteTimeout.count()))) {
            const std::string reason = port_.errorString().toStdString();
            port_.clearError();
            throw RunTimeError(ErrorNumber::PortWriteFailed,
                               "the bytes for " + device() + " did not leave: " + reason);
        }
    }
    checkLine();
}

int QtSerialPort::inBufferCount() {
    requireOpen("count the bytes of");
    // What the system holds moves into QSerialPort's buffer only when it is waited for; a wait
    // of no time moves what is there.
    port_.waitForReadyRead(0);
    checkLine();
    return static_cast<int>(std::min<qint64>(port_.bytesAvailable(), INT_MAX));
}

void QtSerialPort::waitForInput(std::chrono::milliseconds limit) {
    requireOpen("wait for the bytes of");
    checkLine();
    if (port_.bytesAvailable() == 0) {
        port_.waitForReadyRead(static_cast<int>(limit.count()));
    }
}

std::vector<std::uint8_t> QtSerialPort::input() {
    requireOpen("read from");
    const QByteArray bytes = port_.readAll();
    return {bytes.begin(), bytes.end()};
}

void QtSerialPort::applySettings() {
    const bool applied =
        port_.setBaudRate(settings().baud) &&
        port_.setDataBits(static_cast<QSerialPort::DataBits>(settings().dataBits)) &&
        port_.setParity(parityOf(settings().parity)) &&
        port_.setStopBits(settings().stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
        port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!applied) {
        const std::string reason = port_.errorString().toStdString();
        port_.clearError();
        throw RunTimeError(ErrorNumber::PortOpenFailed,
                           "cannot set " + device() + " to " + settings().text() + ": " + reason);
    }
}

void QtSerialPort::checkLine() {
    const QSerialPort::SerialPortError error = port_.error();
    if (error == QSerialPort::NoError) {
        return;
    }
    const std::string reason = port_.errorString().toStdString();
    port_.clearError();
    if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError) {
        throw RunTimeError(ErrorNumber::LineLost,
                           "the line on " + device() + " was lost: " + reason);
    }
    if (error == QSerialPort::WriteError) {
        throw RunTimeError(ErrorNumber::PortWriteFailed,
                           "writing to " + device() + " failed: " + reason);
    }
}

}  // namespace rkt5
