// The yardstick for the updater's start-up: the least a Qt Widgets program does to show a window
// with one button, ending once it has painted itself, as rkt5-updater --quit-when-shown does.
#include <QApplication>
#include <QPushButton>

#include "ui/QuitAfterFirstPaint.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QPushButton window("Start");
    window.resize(160, 111);
    new rkt5::QuitAfterFirstPaint(window);
    window.show();
    return application.exec();
}
