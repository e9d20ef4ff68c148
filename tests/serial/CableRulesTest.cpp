// The cable doctor's rules: each fires on its signature, and on nothing that merely looks like it.
#include <gtest/gtest.h>

#include <algorithm>

#include "serial/CableRules.h"

namespace rkt5 {
namespace {

CableFingerprint usb(unsigned vendorId, unsigned productId, std::string device = {}) {
    CableFingerprint cable;
    cable.vendorId = vendorId;
    cable.productId = productId;
    cable.chip = "a chip";
    cable.device = std::move(device);
    cable.driver = "a driver";
    return cable;
}

template <typename Change>
CableFingerprint with(CableFingerprint cable, Change change) {
    change(cable);
    return cable;
}

const CableSystem kWindows{.windows = true, .programs = {}};
const CableSystem kLinux{.windows = false, .programs = {}};
const CableSystem kLinuxWithPortTakers{.windows = false, .programs = {"ModemManager", "brltty"}};

TEST(CableRules, EachFiresOnItsSignatureAndNotOnWhatLooksLikeIt) {
    const CableFingerprint ch340 = with(usb(0x1A86, 0x7523, "COM3"), [](auto& c) {
        c.busDescription = "USB2.0-Serial";
        c.driverVersion = "3.8.2023.2";
    });
    const auto counterfeit = [&](std::string version) {
        return with(ch340, [&](auto& c) {
            c.busDescription = "USB2.0-Ser!";
            c.driverVersion = version;
        });
    };
    const auto prolificNamed = [](std::string name, std::optional<unsigned> code) {
        return with(usb(0x067B, 0x2303), [&](auto& c) {
            c.name = std::move(name);
            c.problemCode = code;
        });
    };
    const auto ttyUsb = usb(0x0403, 0x6001, "/dev/ttyUSB0");
    const struct {
        const char* row;
        CableFingerprint cable;
        CableSystem system;
        std::vector<std::string_view> rules;
    } rows[] = {
        {"a genuine CH340 on the newest driver", ch340, kWindows, {}},
        {"a counterfeit CH340 on 3.8.2023.02",
         counterfeit("3.8.2023.02"),
         kWindows,
         {"ch340-counterfeit"}},
        {"a counterfeit CH340 on a later driver",
         counterfeit("3.9.2024.9"),
         kWindows,
         {"ch340-counterfeit"}},
        {"a counterfeit CH340 on 3.5.2019.1, which runs it",
         counterfeit("3.5.2019.1"),
         kWindows,
         {}},
        {"a counterfeit CH340 on Linux", counterfeit("3.8.2023.2"), kLinux, {}},
        {"PL2303HXA phased out",
         prolificNamed("PL2303HXA PHASED OUT SINCE 2012. PLEASE CONTACT YOUR SUPPLIER.", 10),
         kWindows,
         {"prolific-phased-out"}},
        {"PL2303TA on Windows 11, no code",
         prolificNamed("PL2303TA DO NOT SUPPORT WINDOWS 11 OR LATER, PLEASE CONTACT YOUR SUPPLIER.",
                       std::nullopt),
         kWindows,
         {"prolific-ta-windows-11"}},
        {"a PL2303 clone",
         prolificNamed("THIS IS NOT PROLIFIC PL2303. PLEASE CONTACT YOUR SUPPLIER.", 10),
         kWindows,
         {"prolific-clone"}},
        {"another PL2303 clone",
         prolificNamed("YOUR PRODUCT DOES NOT MATCH THE DRIVER. PLEASE CONTACT YOUR SUPPLIER.", 10),
         kWindows,
         {"prolific-clone"}},
        {"a Prolific G series that works",
         prolificNamed("Prolific USB-to-Serial Comm Port (COM4)", std::nullopt),
         kWindows,
         {}},
        {"a device that will not start for another reason",
         prolificNamed("Prolific USB-to-Serial Comm Port", 10),
         kWindows,
         {"device-problem"}},
        {"no driver installed",
         with(usb(0x1A86, 0x7523),
              [](auto& c) {
                  c.problemCode = 28;
                  c.driver.clear();
              }),
         kWindows,
         {"no-driver"}},
        {"an FTDI clone with its product id zeroed",
         usb(0x0403, 0x0000),
         kWindows,
         {"ftdi-product-id-zeroed"}},
        {"the same on Linux, which serves it", usb(0x0403, 0x0000, "/dev/ttyUSB0"), kLinux, {}},
        {"latency 16 ms",
         with(usb(0x0403, 0x6001, "COM5"), [](auto& c) { c.latencyMs = 16; }),
         kWindows,
         {"latency-timer"}},
        {"latency 1 ms", with(ttyUsb, [](auto& c) { c.latencyMs = 1; }), kLinux, {}},
        {"COM17", with(ch340, [](auto& c) { c.comNumber = 17; }), kWindows, {"com-above-16"}},
        {"COM16", with(ch340, [](auto& c) { c.comNumber = 16; }), kWindows, {}},
        {"a port another program holds",
         with(ttyUsb, [](auto& c) { c.holder = "minicom (process 812)"; }),
         kLinux,
         {"port-held"}},
        {"not in dialout",
         with(ttyUsb, [](auto& c) { c.accessDenied = true; }),
         kLinux,
         {"not-in-dialout"}},
        {"taken by brltty",
         with(usb(0x1A86, 0x7523), [](auto& c) { c.driver = "usbfs"; }),
         kLinuxWithPortTakers,
         {"brltty"}},
        {"claimed through usbfs with no brltty running",
         with(usb(0x1A86, 0x7523), [](auto& c) { c.driver = "usbfs"; }),
         kLinux,
         {}},
        {"a known chip with no kernel driver",
         with(usb(0x1A86, 0x7523), [](auto& c) { c.driver.clear(); }),
         kLinux,
         {"no-kernel-driver"}},
        {"a ttyACM with ModemManager running",
         usb(0x1A86, 0x55D3, "/dev/ttyACM0"),
         kLinuxWithPortTakers,
         {"modem-manager"}},
        {"a ttyUSB with ModemManager running", ttyUsb, kLinuxWithPortTakers, {}},
    };
    for (const auto& row : rows) {
        std::vector<std::string_view> fired;
        for (const CableFinding& finding : findingsFor(row.cable, row.system)) {
            fired.push_back(finding.rule);
            // Every detail a text names is filled in, and every fix says what to do.
            EXPECT_EQ(finding.finding.find('{'), std::string::npos) << finding.finding;
            EXPECT_EQ(finding.fix.find('{'), std::string::npos) << finding.fix;
            EXPECT_FALSE(finding.fix.empty());
        }
        EXPECT_EQ(fired, row.rules) << row.row;
    }
}

TEST(CableRules, NoCableAtAllIsAFindingOfTheSystem) {
    const CableFingerprint motherboardPort{.device = "/dev/ttyS0"};
    EXPECT_EQ(systemFindings({}, kLinux).size(), 1u);
    EXPECT_EQ(systemFindings({motherboardPort}, kWindows).front().rule, "no-cable");
    EXPECT_TRUE(systemFindings({usb(0x10C4, 0xEA60, "/dev/ttyUSB0")}, kLinux).empty());
}

}  // namespace
}  // namespace rkt5
