#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "serial/PortIdentity.h"
#include "serial/SystemPorts.h"

namespace rkt5 {

// Which device each COM port number stands for. On Windows number n is "COMn". Elsewhere it is the
// device bound to it from the command line ("COM3=/dev/ttyUSB0"); else the n-th of the serial
// ports the system lists, USB adapters first (so that a laptop with one cable has it on COM1);
// else /dev/ttyS<n-1>.
class PortNames {
  public:
    // The port menu's numbers; a binding or an argument outside them could never be chosen
    // there. A station, which has no menu, binds up to kLastWindowsNumber.
    static constexpr int kFirstNumber = 1;
    static constexpr int kLastNumber = 16;
    static constexpr int kLastWindowsNumber = 255;  // the highest COM number Windows gives

    void bind(int number, std::string device);
    // "COMn=DEVICE" with n up to `last`; returns n. A malformed binding is a RunTimeError that says
    // what was expected.
    int addBinding(std::string_view text, int last = kLastNumber);
    // The serial ports the system lists, in any order: USB adapters (ttyUSB*, ttyACM*) take the
    // first numbers, then the others, each group by name. The one way the listing gets in.
    void setListedPorts(const std::vector<SystemPort>& listed);
    // The device that opening port `number` opens.
    std::string deviceFor(int number) const;
    // The number that stands for `device`: its binding, else its place in the listing.
    std::optional<int> numberFor(std::string_view device) const;
    // The port as the user knows it, for messages and the log: the device alone when the user
    // gave its path, else "COMn (device)".
    std::string displayName(int number) const;

    // Number `number` resolved into the port that opening it opens, once.
    PortIdentity identify(int number) const;
    // The port that binding "COMn=DEVICE" names.
    static PortIdentity bound(int number, std::string device);
    // A port argument (see useArgument) resolved into its port.
    PortIdentity identifyArgument(std::string_view argument);

    // "COMn" (any letter case) with n from 1 to `last` (the menu's range), else nothing.
    static std::optional<int> parseComName(std::string_view text, int last = kLastNumber);
    // A port argument as a user types it: "COMn" chooses number n; a device path (on Windows a
    // port numbered beyond the menu) is bound to a number (its existing binding, else the lowest
    // free one, past the menu's once they are taken) and that number is returned.
    int useArgument(std::string_view argument);

  private:
    static bool looksLikeComName(std::string_view text);

    std::map<int, std::string> bindings_;
    std::set<int> namedByPath_;  // numbers bound to a device path the user gave as the port
    std::vector<std::string> listed_;
};

}  // namespace rkt5
