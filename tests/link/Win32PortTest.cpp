// The Win32 serial port's own rules, run under wine.
#include <gtest/gtest.h>

#include "link/Win32SerialPort.h"

namespace rkt5 {
namespace {

TEST(Win32Port, EveryComPortOpensByItsFullDevicePathAndAPathGivenSoIsTakenAsItIs) {
    EXPECT_EQ(win32DevicePath("COM3"), L"\\\\.\\COM3");
    EXPECT_EQ(win32DevicePath("COM23"), L"\\\\.\\COM23");
    EXPECT_EQ(win32DevicePath("\\\\.\\COM23"), L"\\\\.\\COM23");
}

}  // namespace
}  // namespace rkt5
