// The ids Windows gives USB serial adapters, as the port listing reads them.
#include <gtest/gtest.h>

#include "serial/UsbInstanceId.h"

namespace rkt5 {
namespace {

TEST(UsbInstanceId, ReadsTheIdsAndTheAdaptersOwnSerialNumber) {
    const struct {
        const char* id;
        std::optional<unsigned> vendor, product;
        const char* serial;
        bool usbDeviceIsParent;
    } cases[] = {
        {R"(USB\VID_10C4&PID_EA60\0001)", 0x10C4, 0xEA60, "0001", false},
        {R"(usb\vid_1a86&pid_7523\5&2b3f1a2&0&2)", 0x1A86, 0x7523, "", false},  // made up
        {R"(USB\VID_2341&PID_0043&MI_00\6&1234ABCD&0&0000)", 0x2341, 0x0043, "", true},
        {R"(FTDIBUS\VID_0403+PID_6001+A50285BIA\0000)", 0x0403, 0x6001, "A50285BI", true},
        {R"(FTDIBUS\VID_0403+PID_6010+FT4Xa7QcB\0000)", 0x0403, 0x6010, "FT4Xa7Qc", true},
        {R"(FTDIBUS\VID_0403+PID_6015\0000)", 0x0403, 0x6015, "", true},
        {R"(FTDIBUS\VID_0403+PID_6001+6&2F8A4C1D&0&2\0000)", 0x0403, 0x6001, "", true},
        {R"(ACPI\PNP0501\1)", std::nullopt, std::nullopt, "", false},
        {R"(USB\VID_04x3&PID_6001\A1)", std::nullopt, std::nullopt, "", false},
        {R"(USB\VID_0403)", std::nullopt, std::nullopt, "", false},
        {"", std::nullopt, std::nullopt, "", false},
    };
    for (const auto& c : cases) {
        const UsbIdentity read = readInstanceId(c.id);
        EXPECT_EQ(read.vendorId, c.vendor) << c.id;
        EXPECT_EQ(read.productId, c.product) << c.id;
        EXPECT_EQ(read.serialNumber, c.serial) << c.id;
        EXPECT_EQ(read.usbDeviceIsParent, c.usbDeviceIsParent) << c.id;
    }
}

}  // namespace
}  // namespace rkt5
