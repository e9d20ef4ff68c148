// The Linux cable reader over a tree shaped like the kernel's sysfs and /proc.
#include <gtest/gtest.h>

#include <cstdlib>

#include "serial/CableReader.h"
#include "serial/CableRules.h"
#include "tests/serial/FakeSysfs.h"
#include "tests/support/TempDir.h"

namespace rkt5 {
namespace {

const CableFingerprint* cableAt(const std::vector<CableFingerprint>& cables,
                                const std::string& location) {
    for (const CableFingerprint& cable : cables) {
        if (cable.location == location) {
            return &cable;
        }
    }
    return nullptr;
}

TEST(LinuxCableReader, ReadsEachCableAndWhatHoldsIt) {
    const test::TempDir dir;
    const test::FakeSysfs tree(dir.path());
    tree.add({.location = "1-1", .vendorId = "1a86", .productId = "7523", .product = "USB Serial"});
    tree.add({.location = "1-2",
              .vendorId = "0403",
              .productId = "6001",
              .serial = "A10KZP3M",
              .product = "FT232R USB UART",
              .driver = "ftdi_sio",
              .tty = "ttyUSB0",
              .devnum = 3});
    tree.latency("ttyUSB0", 16);
    tree.add({.location = "1-3",
              .vendorId = "10c4",
              .productId = "ea60",
              .serial = "0001",
              .product = "CP2102 USB to UART Bridge Controller",
              .driver = "cp210x",
              .tty = "ttyUSB1",
              .devnum = 4});
    tree.add({.location = "1-4",
              .vendorId = "046d",
              .productId = "c52b",
              .product = "Receiver",
              .driver = "usbhid"});  // a mouse's receiver: no cable
    tree.process(812, "minicom", "/dev/ttyUSB1");
    tree.process(90, "ModemManager");
    ::setenv("RKT5_SYSFS_ROOT", dir.path().c_str(), 1);
    const std::vector<CableFingerprint> cables = readCables();
    const CableSystem system = readCableSystem();
    ::unsetenv("RKT5_SYSFS_ROOT");

    ASSERT_EQ(cables.size(), 3u);
    EXPECT_EQ(system.programs, std::vector<std::string>{"ModemManager"});
    const struct {
        std::string location;
        std::string device;
        std::string chip;
        std::string driver;
        std::string serialNumber;
        std::optional<int> latencyMs;
        std::string holder;
        std::vector<std::string_view> rules;
    } rows[] = {
        {"1-1", "", "WCH CH340", "", "", std::nullopt, "", {"no-kernel-driver"}},
        {"1-2", "/dev/ttyUSB0", "FTDI FT232R", "ftdi_sio", "A10KZP3M", 16, "", {"latency-timer"}},
        {"1-3",
         "/dev/ttyUSB1",
         "Silicon Labs CP210x",
         "cp210x",
         "0001",
         std::nullopt,
         "minicom (process 812)",
         {"port-held"}},
    };
    for (const auto& row : rows) {
        const CableFingerprint* cable = cableAt(cables, row.location);
        ASSERT_NE(cable, nullptr) << row.location;
        EXPECT_EQ(cable->device, row.device) << row.location;
        EXPECT_EQ(cable->chip, row.chip) << row.location;
        EXPECT_EQ(cable->driver, row.driver) << row.location;
        EXPECT_EQ(cable->serialNumber, row.serialNumber) << row.location;
        EXPECT_EQ(cable->latencyMs, row.latencyMs) << row.location;
        EXPECT_EQ(cable->holder, row.holder) << row.location;
        std::vector<std::string_view> fired;
        for (const CableFinding& finding : findingsFor(*cable, system)) {
            fired.push_back(finding.rule);
        }
        EXPECT_EQ(fired, row.rules) << row.location;
    }
}

}  // namespace
}  // namespace rkt5
