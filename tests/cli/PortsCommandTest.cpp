// rkt5-flash ports over a system whose sysfs is a test's own tree: each cable with what the
// cable doctor finds in it, as text and as JSON.

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/cli/FlashRun.h"
#include "tests/serial/FakeSysfs.h"

namespace rkt5 {
namespace {

class PortsOverAFakeSystem : public testing::Test {
  protected:
    PortsOverAFakeSystem() { ::setenv("RKT5_SYSFS_ROOT", dir.path().c_str(), 1); }
    ~PortsOverAFakeSystem() override { ::unsetenv("RKT5_SYSFS_ROOT"); }

    test::TempDir dir;
    test::FakeSysfs tree{dir.path()};
};

TEST_F(PortsOverAFakeSystem, ShowsEachCablesFindingWithItsFixAsTextAndAsJson) {
    tree.add({.location = "1-1", .vendorId = "1a86", .productId = "7523", .product = "USB Serial"});
    tree.add({.location = "1-2",
              .vendorId = "0403",
              .productId = "6001",
              .serial = "A10KZP3M",
              .product = "FT232R USB UART",
              .driver = "ftdi_sio",
              .tty = "ttyUSB7"});
    tree.latency("ttyUSB7", 16);

    const test::ProgramRun text = test::runFlash(dir, "ports");
    EXPECT_EQ(text.exitCode, 0) << text.err;
    for (const char* line :
         {"no port", "WCH CH340, USB 1a86:7523, at 1-1\n",
          "! No kernel driver serves this WCH CH340 cable: it has no port\n",
          "  Fix: Run: sudo modprobe ch341, then plug the cable in again", "/dev/ttyUSB7",
          "FTDI FT232R, USB 0403:6001, serial A10KZP3M, at 1-2, driver ftdi_sio, "
          "latency 16 ms\n",
          "  Fix: Run: echo 1 | sudo tee /sys/bus/usb-serial/devices/ttyUSB7/latency_timer\n"}) {
        EXPECT_NE(text.out.find(line), std::string::npos) << line << "\nin:\n" << text.out;
    }
    EXPECT_EQ(text.out.find("No USB serial cable"), std::string::npos);

    const test::ProgramRun json = test::runFlash(dir, "ports --json");
    EXPECT_EQ(json.exitCode, 0) << json.err;
    for (const char* part :
         {"\"rule\": \"no-kernel-driver\"", "\"rule\": \"latency-timer\"", "\"latencyMs\": 16",
          "\"serialNumber\": \"A10KZP3M\"", "\"device\": \"/dev/ttyUSB7\"", "\"device\": null"}) {
        EXPECT_NE(json.out.find(part), std::string::npos) << part << "\nin:\n" << json.out;
    }
}

TEST_F(PortsOverAFakeSystem, SaysSoWhenNoCableIsPluggedIn) {
    const test::ProgramRun run = test::runFlash(dir, "ports");
    EXPECT_NE(run.out.find("! No USB serial cable is plugged in\n  Fix: Plug in"),
              std::string::npos)
        << run.out;
}

}  // namespace
}  // namespace rkt5
