#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

namespace rkt5 {

// Ends the program once the watched window has painted itself for the first time: the moment an
// operator could use it. For timing start-up, and for checking that a program starts at all.
class QuitAfterFirstPaint : public QObject {
  public:
    explicit QuitAfterFirstPaint(QObject& window) : QObject(&window) {
        window.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        }
        return false;
    }
};

}  // namespace rkt5
