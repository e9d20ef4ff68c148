#pragma once

#include <stdexcept>
#include <string>

namespace rkt5 {

// Error numbers carried by RunTimeError. Every operation with an error trap catches the exception
// and turns it into its status; the number says what went wrong for messages and tests.
enum class ErrorNumber : int {
    SubscriptOutOfRange = 9,  // a store or read outside an array (image, RxBuffer, ...)
    PortOpenFailed = 8002,    // missing device, busy, permission denied
    PortNotOpen = 8012,       // write or read on a closed port
    PortWriteFailed = 8015,   // the device refused the bytes
    LineLost = 8016,          // the peer hung up or the device reported a read/resource error
    ValueOutOfRange = 6,      // a value that does not fit the byte it is converted to
    Interrupted = 18,         // the user stopped the run; no further exchange was started
};

// The one exception type of the project: a run-time fault that the caller's error trap handles.
class RunTimeError : public std::runtime_error {
  public:
    RunTimeError(ErrorNumber number, const std::string& message)
        : std::runtime_error(message), number_(number) {}

    ErrorNumber number() const { return number_; }

  private:
    ErrorNumber number_;
};

}  // namespace rkt5
