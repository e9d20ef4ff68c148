#include "ui/WindowProgram.h"

#include <QApplication>
#include <QIcon>

namespace rkt5 {

void identifyWindowProgram(const QString& program) {
    QApplication::setApplicationName(program);
    QApplication::setApplicationVersion(RKT5_VERSION);
    QGuiApplication::setDesktopFileName(program);
    QIcon icon;
    icon.addFile(":/icons/" + program + "-48.png");
    icon.addFile(":/icons/" + program + "-256.png");
    QApplication::setWindowIcon(icon);
}

}  // namespace rkt5
