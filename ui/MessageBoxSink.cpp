#include <QMessageBox>

#include "ui/MessageSink.h"

namespace rkt5 {

namespace {

QMessageBox::Icon iconFor(int style) {
    switch (style) {
        case Message::kCritical:
            return QMessageBox::Critical;
        case Message::kExclamation:
            return QMessageBox::Warning;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

void MessageBoxSink::show(const Message& message, const std::string& detail) {
    QMessageBox box(iconFor(message.style), QString::fromStdString(message.title),
                    QString::fromStdString(message.text), QMessageBox::Ok, parent_);
    if (!detail.empty()) {
        box.setDetailedText(QString::fromStdString(detail));
    }
    box.exec();
}

}  // namespace rkt5
