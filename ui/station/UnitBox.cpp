#include "ui/station/UnitBox.h"

#include <QKeyEvent>
#include <QTimer>

namespace rkt5 {

void UnitBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        emit entered();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void UnitBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // After the click or key that gave the focus has placed the cursor.
    QTimer::singleShot(0, this, &QLineEdit::selectAll);
}

}  // namespace rkt5
