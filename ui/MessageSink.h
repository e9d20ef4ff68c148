#pragma once

#include <string>

#include "common/Message.h"

class QWidget;

namespace rkt5 {

// Where the window's one message per operation goes: a modal box for the operator, a recorder in
// tests. `detail` says why a failure happened when that is known; the box keeps it out of the
// way, behind its details button.
class MessageSink {
  public:
    virtual ~MessageSink() = default;
    // Returns when the operator has closed the message.
    virtual void show(const Message& message, const std::string& detail) = 0;
};

// The operator's message boxes: modal, one OK button, the icon by the message's style.
class MessageBoxSink : public MessageSink {
  public:
    explicit MessageBoxSink(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void show(const Message& message, const std::string& detail) override;

  private:
    QWidget* parent_;
};

}  // namespace rkt5
