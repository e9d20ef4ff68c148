// The cables among the devices Windows lists: scripted device lists as SetupAPI would give them,
// and the system's own list under wine.
#include <gtest/gtest.h>

#include <sstream>

#include "serial/Win32Cables.h"
#include "serial/Win32Devices.h"

namespace rkt5 {
namespace {

// Every field, so that a failing row shows which differ.
std::string describe(const CableFingerprint& cable) {
    std::ostringstream text;
    const auto optional = [&](const char* name, const auto& value) {
        text << ' ' << name << '=';
        if (value) {
            text << *value;
        } else {
            text << '-';
        }
    };
    text << std::hex << std::uppercase << "device=" << cable.device;
    optional("vid", cable.vendorId);
    optional("pid", cable.productId);
    text << std::dec;
    optional("com", cable.comNumber);
    text << " chip=" << cable.chip << " serial=" << cable.serialNumber
         << " location=" << cable.location << " driver=" << cable.driver
         << " version=" << cable.driverVersion;
    optional("problem", cable.problemCode);
    text << " name=" << cable.name << " bus=" << cable.busDescription;
    optional("latency", cable.latencyMs);
    text << " holder=" << cable.holder << " denied=" << cable.accessDenied;
    return text.str();
}

std::vector<std::string> describe(const std::vector<CableFingerprint>& cables) {
    std::vector<std::string> texts;
    for (const CableFingerprint& cable : cables) {
        texts.push_back(describe(cable));
    }
    return texts;
}

constexpr const char* kRootHub = R"(USB\ROOT_HUB30\4&2E6F1C3A&0&0)";
constexpr const char* kHub = R"(USB\VID_05E3&PID_0610\5&1F0A7B2&0&4)";
constexpr const char* kFtdi = R"(USB\VID_0403&PID_6001\A50285BI)";
constexpr const char* kComposite = R"(USB\VID_1209&PID_0001\RK0042)";

TEST(Win32Cables, OneFingerprintPerComPortAndPerKnownChipWithoutOne) {
    const struct {
        const char* what;
        std::vector<Win32Device> devices;
        std::vector<CableFingerprint> cables;
    } cases[] = {
        {"a PL2303 its driver will not start",
         {{.instanceId = R"(USB\VID_067B&PID_2303\5&2B3F1A2&0&2)",
           .parentInstanceId = kRootHub,
           .friendlyName = "PL2303HXA PHASED OUT SINCE 2012. PLEASE CONTACT YOUR SUPPLIER.",
           .description = "Prolific USB-to-Serial Comm Port",
           .busDescription = "USB-Serial Controller",
           .service = "Ser2pl",
           .driverVersion = "3.8.39.0",
           .problemCode = 10,
           .location = "Port_#0002.Hub_#0001"}},
         {{.vendorId = 0x067B,
           .productId = 0x2303,
           .chip = "Prolific PL2303",
           .location = "Port_#0002.Hub_#0001",
           .driver = "Ser2pl",
           .driverVersion = "3.8.39.0",
           .problemCode = 10,
           .name = "PL2303HXA PHASED OUT SINCE 2012. PLEASE CONTACT YOUR SUPPLIER.",
           .busDescription = "USB-Serial Controller"}}},
        {"a CH340 with no driver",
         {{.instanceId = R"(USB\VID_1A86&PID_7523\5&3A5B7C&0&3)",
           .parentInstanceId = kRootHub,
           .description = "USB2.0-Ser!",
           .busDescription = "USB2.0-Ser!",
           .problemCode = 28,
           .location = "Port_#0003.Hub_#0001"}},
         {{.vendorId = 0x1A86,
           .productId = 0x7523,
           .chip = "WCH CH340",
           .location = "Port_#0003.Hub_#0001",
           .problemCode = 28,
           .name = "USB2.0-Ser!",
           .busDescription = "USB2.0-Ser!"}}},
        {"an FT232R, its port listed before the USB device",
         {{.instanceId = R"(FTDIBUS\VID_0403+PID_6001+A50285BIA\0000)",
           .parentInstanceId = kFtdi,
           .friendlyName = "USB Serial Port (COM5)",
           .description = "USB Serial Port",
           .service = "FTSER2K",
           .driverVersion = "2.12.36.4",
           .portName = "COM5",
           .latencyTimer = 16},
          {.instanceId = kFtdi,
           .parentInstanceId = kRootHub,
           .description = "USB Serial Converter",
           .busDescription = "FT232R USB UART",
           .service = "FTDIBUS",
           .driverVersion = "2.12.36.4",
           .location = "Port_#0002.Hub_#0003"}},
         {{.device = "COM5",
           .comNumber = 5,
           .vendorId = 0x0403,
           .productId = 0x6001,
           .chip = "FTDI FT232R",
           .serialNumber = "A50285BI",
           .location = "Port_#0002.Hub_#0003",
           .driver = "FTSER2K",
           .driverVersion = "2.12.36.4",
           .name = "USB Serial Port (COM5)",
           .busDescription = "FT232R USB UART",
           .latencyMs = 16}}},
        {"a CH340 on COM17 behind a hub, which is no cable",
         {{.instanceId = kHub,
           .parentInstanceId = kRootHub,
           .description = "Generic USB Hub",
           .busDescription = "USB2.0 Hub",
           .service = "USBHUB3",
           .location = "Port_#0004.Hub_#0001"},
          {.instanceId = R"(USB\VID_1A86&PID_7523\6&1C9E3B&0&2)",
           .parentInstanceId = kHub,
           .friendlyName = "USB-SERIAL CH340 (COM17)",
           .description = "USB-SERIAL CH340",
           .busDescription = "USB2.0-Ser!",
           .service = "CH341SER_A64",
           .driverVersion = "3.8.2023.2",
           .location = "Port_#0002.Hub_#0004",
           .portName = "COM17"}},
         {{.device = "COM17",
           .comNumber = 17,
           .vendorId = 0x1A86,
           .productId = 0x7523,
           .chip = "WCH CH340",
           .location = "Port_#0002.Hub_#0004",
           .driver = "CH341SER_A64",
           .driverVersion = "3.8.2023.2",
           .name = "USB-SERIAL CH340 (COM17)",
           .busDescription = "USB2.0-Ser!"}}},
        {"a composite device of unknown ids with two serial interfaces",
         {{.instanceId = kComposite,
           .parentInstanceId = kRootHub,
           .description = "USB Composite Device",
           .busDescription = "Dual Programming Adapter",
           .service = "usbccgp",
           .driverVersion = "10.0.19041.1",
           .location = "Port_#0004.Hub_#0001"},
          {.instanceId = R"(USB\VID_1209&PID_0001&MI_00\7&2A4E8F&0&0000)",
           .parentInstanceId = kComposite,
           .friendlyName = "USB Serial Device (COM3)",
           .description = "USB Serial Device",
           .busDescription = "Port A",
           .service = "usbser",
           .driverVersion = "10.0.19041.1",
           .location = "0000.0014.0000.004.000.000.000.000.000",
           .portName = "COM3"},
          {.instanceId = R"(USB\VID_1209&PID_0001&MI_02\7&2A4E8F&0&0002)",
           .parentInstanceId = kComposite,
           .friendlyName = "USB Serial Device (COM4)",
           .service = "usbser",
           .driverVersion = "10.0.19041.1",
           .portName = "COM4"}},
         {{.device = "COM3",
           .comNumber = 3,
           .vendorId = 0x1209,
           .productId = 0x0001,
           .serialNumber = "RK0042",
           .location = "Port_#0004.Hub_#0001",
           .driver = "usbser",
           .driverVersion = "10.0.19041.1",
           .name = "USB Serial Device (COM3)",
           .busDescription = "Dual Programming Adapter"},
          {.device = "COM4",
           .comNumber = 4,
           .vendorId = 0x1209,
           .productId = 0x0001,
           .serialNumber = "RK0042",
           .location = "Port_#0004.Hub_#0001",
           .driver = "usbser",
           .driverVersion = "10.0.19041.1",
           .name = "USB Serial Device (COM4)",
           .busDescription = "Dual Programming Adapter"}}},
        {"a CP210x that failed to start keeps its COM number but has no port to open",
         {{.instanceId = R"(USB\VID_10C4&PID_EA60\0001)",
           .parentInstanceId = kRootHub,
           .friendlyName = "Silicon Labs CP210x USB to UART Bridge (COM7)",
           .service = "silabser",
           .driverVersion = "6.7.6.2130",
           .problemCode = 10,
           .portName = "COM7"}},
         {{.comNumber = 7,
           .vendorId = 0x10C4,
           .productId = 0xEA60,
           .chip = "Silicon Labs CP210x",
           .serialNumber = "0001",
           .driver = "silabser",
           .driverVersion = "6.7.6.2130",
           .problemCode = 10,
           .name = "Silicon Labs CP210x USB to UART Bridge (COM7)"}}},
        {"a printer port and a modem on no COM port",
         {{.instanceId = R"(ACPI\PNP0401\0)",
           .friendlyName = "Printer Port (LPT1)",
           .service = "Parport",
           .portName = "LPT1"},
          {.instanceId = R"(ROOT\MODEM\0000)", .description = "Standard 33600 bps Modem"}},
         {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(describe(fingerprintsOf(c.devices)), describe(c.cables)) << c.what;
    }
}

TEST(Win32Cables, TheSystemsOwnDevicesAreReadWithoutFailing) {
    // Wine has no USB: the list is empty, or holds the serial ports wine makes.
    const std::vector<Win32Device> devices = Win32Devices::system().present();
    for (const Win32Device& device : devices) {
        EXPECT_FALSE(device.instanceId.empty());
    }
    EXPECT_LE(fingerprintsOf(devices).size(), devices.size());
}

}  // namespace
}  // namespace rkt5
