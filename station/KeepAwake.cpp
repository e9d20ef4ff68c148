#include "station/KeepAwake.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#endif

namespace rkt5 {

#ifdef _WIN32

struct KeepAwake::Hold {
    bool held = false;
};

KeepAwake::KeepAwake(const std::string&) : hold_(std::make_unique<Hold>()) {
    hold_->held = SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0;
}

KeepAwake::~KeepAwake() {
    if (hold_->held) {
        SetThreadExecutionState(ES_CONTINUOUS);
    }
}

#else

// The login manager keeps the sleep away as long as the descriptor it hands out stays open.
struct KeepAwake::Hold {
    QDBusUnixFileDescriptor inhibitor;
};

namespace {

// The login manager answers at once; a bus that does not is not worth holding an update for.
constexpr int kBusTimeoutMs = 2000;

}  // namespace

KeepAwake::KeepAwake(const std::string& why) : hold_(std::make_unique<Hold>()) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusInterface manager(QStringLiteral("org.freedesktop.login1"),
                           QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"), bus);
    if (!manager.isValid()) {
        return;
    }
    manager.setTimeout(kBusTimeoutMs);
    const QDBusReply<QDBusUnixFileDescriptor> reply = manager.call(
        QStringLiteral("Inhibit"), QStringLiteral("sleep:idle"), QStringLiteral("RK-T5 updater"),
        QString::fromStdString(why), QStringLiteral("block"));
    if (reply.isValid()) {
        hold_->inhibitor = reply.value();
    }
}

KeepAwake::~KeepAwake() = default;

#endif

bool KeepAwake::held() const {
#ifdef _WIN32
    return hold_->held;
#else
    return hold_->inhibitor.isValid();
#endif
}

}  // namespace rkt5
