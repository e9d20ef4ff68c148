#pragma once

#include <QCoreApplication>

namespace rkt5::cli {

// The Qt application that the serial port and the link's waits need, for the commands that use
// them; it sees none of the command's arguments, which the command has parsed itself.
class CommandApplication {
  public:
    CommandApplication() = default;
    CommandApplication(const CommandApplication&) = delete;
    CommandApplication& operator=(const CommandApplication&) = delete;

  private:
    int argc_ = 1;
    char name_[11] = "rkt5-flash";
    char* argv_[2] = {name_, nullptr};
    QCoreApplication application_{argc_, argv_};
};

}  // namespace rkt5::cli
