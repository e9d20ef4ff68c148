#pragma once

#include <QLineEdit>

namespace rkt5 {

// The box a row's transceiver label is typed or scanned into. A barcode scanner types the label
// and presses Enter: here Enter only says the label is complete (entered), so that a scan never
// starts an update by itself.
class UnitBox : public QLineEdit {
    Q_OBJECT

  public:
    explicit UnitBox(QWidget* parent) : QLineEdit(parent) {}

  signals:
    void entered();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    // A box taken by Tab or by the next scan has its old label selected, so that what comes
    // next replaces it.
    void focusInEvent(QFocusEvent* event) override;
};

}  // namespace rkt5
