#pragma once

#include <QtGlobal>

namespace rkt5 {

// Call before the Qt application object is made. The link sleeps through the bulk of a reply with
// the port's notifications held back (QEventLoop::ExcludeSocketNotifiers); Qt's plain Unix event
// dispatcher honours that, the GLib one does not and wakes for every piece the line delivers.
// The wait is correct with either; this only saves the wake-ups.
inline void preferPlainEventDispatcher() {
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) {
        qputenv("QT_NO_GLIB", "1");
    }
}

}  // namespace rkt5
