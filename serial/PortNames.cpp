#include "serial/PortNames.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <utility>

#include "common/RunTimeError.h"

namespace rkt5 {

namespace {

[[noreturn]] void badArgument(const std::string& message) {
    throw RunTimeError(ErrorNumber::ValueOutOfRange, message);
}

}  // namespace

void PortNames::bind(int number, std::string device) {
    if (number < kFirstNumber || number > kLastWindowsNumber) {
        badArgument("COM port numbers run from 1 to 255, not " + std::to_string(number));
    }
    if (device.empty()) {
        badArgument("COM" + std::to_string(number) + " needs a device to stand for");
    }
    bindings_[number] = std::move(device);
    namedByPath_.erase(number);
}

int PortNames::addBinding(std::string_view text, int last) {
    const std::size_t equals = text.find('=');
    const std::optional<int> number = equals == std::string_view::npos
                                          ? std::nullopt
                                          : parseComName(text.substr(0, equals), last);
    if (!number) {
        badArgument("expected COMn=DEVICE with n from 1 to " + std::to_string(last) + ", got \"" +
                    std::string(text) + "\"");
    }
    bind(*number, std::string(text.substr(equals + 1)));
    return *number;
}

void PortNames::setListedPorts(const std::vector<SystemPort>& listed) {
    std::vector<std::string> devices;
    for (const SystemPort& port : listed) {
        devices.push_back(port.device);
    }
    const auto isUsb = [](const std::string& device) {
        return device.find("ttyUSB") != std::string::npos ||
               device.find("ttyACM") != std::string::npos;
    };
    std::stable_sort(devices.begin(), devices.end(), [&](const auto& a, const auto& b) {
        return std::pair(!isUsb(a), a) < std::pair(!isUsb(b), b);
    });
    listed_ = std::move(devices);
}

std::string PortNames::deviceFor(int number) const {
    // On Windows a binding lets the menu's numbers reach a port numbered above them (USB adapters
    // are often COM20 and up).
    if (const auto bound = bindings_.find(number); bound != bindings_.end()) {
        return bound->second;
    }
#ifdef _WIN32
    return "COM" + std::to_string(number);
#else
    if (number >= kFirstNumber && number - kFirstNumber < static_cast<int>(listed_.size())) {
        return listed_[static_cast<std::size_t>(number - kFirstNumber)];
    }
    return "/dev/ttyS" + std::to_string(number - 1);
#endif
}

std::string PortNames::displayName(int number) const {
    const std::string device = deviceFor(number);
    const std::string com = "COM" + std::to_string(number);
    if (namedByPath_.contains(number)) {
        return device;
    }
    return device == com ? com : com + " (" + device + ")";
}

std::optional<int> PortNames::numberFor(std::string_view device) const {
    for (const auto& [number, bound] : bindings_) {
        if (bound == device) {
            return number;
        }
    }
    for (int number = kFirstNumber; number <= kLastNumber; ++number) {
        if (deviceFor(number) == device) {
            return number;
        }
    }
    return std::nullopt;
}

PortIdentity PortNames::identify(int number) const {
    if (number < kFirstNumber) {
        return {number, {}, "COM" + std::to_string(number)};
    }
    return {number, deviceFor(number), displayName(number)};
}

PortIdentity PortNames::bound(int number, std::string device) {
    PortNames names;
    names.bind(number, std::move(device));
    return names.identify(number);
}

PortIdentity PortNames::identifyArgument(std::string_view argument) {
    return identify(useArgument(argument));
}

bool PortNames::looksLikeComName(std::string_view text) {
    if (text.size() < 3) {
        return false;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != "COM"[i]) {
            return false;
        }
    }
    return true;
}

std::optional<int> PortNames::parseComName(std::string_view text, int last) {
    if (text.size() < 4 || !looksLikeComName(text)) {
        return std::nullopt;
    }
    const std::string_view digits = text.substr(3);
    int number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size() || digits[0] == '+' ||
        number < kFirstNumber || number > last) {
        return std::nullopt;
    }
    return number;
}

int PortNames::useArgument(std::string_view argument) {
    if (const std::optional<int> number = parseComName(argument)) {
        return *number;
    }
    std::string device(argument);
#ifdef _WIN32
    // Windows numbers its ports up to COM255; one beyond the menu's numbers is used by its name.
    const std::optional<int> beyond = parseComName(argument, kLastWindowsNumber);
    if (!beyond) {
        badArgument("\"" + device + "\" is no port: use COMn, n from 1 to 255");
    }
    device = "COM" + std::to_string(*beyond);
#else
    if (looksLikeComName(argument) && argument.find('/') == std::string_view::npos) {
        badArgument("\"" + device + "\" is no port: COM numbers run from 1 to 16");
    }
    if (argument.empty()) {
        badArgument("the port argument is empty");
    }
#endif
    for (const auto& [number, bound] : bindings_) {
        if (bound == device) {
            return number;
        }
    }
    // Many devices at once (a station's) go on past the menu's numbers.
    for (int number = kFirstNumber; number <= kLastWindowsNumber; ++number) {
        if (!bindings_.contains(number)) {
            bind(number, device);
            namedByPath_.insert(number);
            return number;
        }
    }
    badArgument("every COM number is already bound; cannot add \"" + device + "\"");
}

}  // namespace rkt5
