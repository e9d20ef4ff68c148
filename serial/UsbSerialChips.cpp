#include "serial/UsbSerialChips.h"

#include <algorithm>
#include <iterator>

namespace rkt5 {

namespace {

constexpr unsigned kProlific = 0x067B;
constexpr unsigned kAten = 0x0557;
constexpr unsigned kWch = 0x1A86;
constexpr unsigned kSiliconLabs = 0x10C4;
constexpr unsigned kFtdi = 0x0403;

constexpr UsbSerialChip kChips[] = {
    {kProlific, 0x2303, "Prolific PL2303", "pl2303"},  // H, HX, HXA, XA, TA, RA
    {kProlific, 0x2304, "Prolific PL2303TB", "pl2303"},
    // The G series, served by Linux from 5.5 on.
    {kProlific, 0x23A3, "Prolific PL2303GC", "pl2303"},
    {kProlific, 0x23B3, "Prolific PL2303GB", "pl2303"},
    {kProlific, 0x23C3, "Prolific PL2303GT", "pl2303"},
    {kProlific, 0x23D3, "Prolific PL2303GL", "pl2303"},
    {kProlific, 0x23E3, "Prolific PL2303GE", "pl2303"},
    {kProlific, 0x23F3, "Prolific PL2303GS", "pl2303"},
    {kAten, 0x2008, "Prolific PL2303 (ATEN)", "pl2303"},
    {kWch, 0x7523, "WCH CH340", "ch341"},
    {kWch, 0x7522, "WCH CH340", "ch341"},
    {kWch, 0x5523, "WCH CH341", "ch341"},
    // Class-compliant: ttyACM through cdc_acm.
    {kWch, 0x55D3, "WCH CH343", "cdc_acm"},
    {kWch, 0x55D4, "WCH CH9102", "cdc_acm"},
    {kSiliconLabs, 0xEA60, "Silicon Labs CP210x", "cp210x"},
    {kFtdi, 0x6001, "FTDI FT232R", "ftdi_sio"},
    {kFtdi, 0x6010, "FTDI FT2232", "ftdi_sio"},
    {kFtdi, 0x6011, "FTDI FT4232H", "ftdi_sio"},
    {kFtdi, 0x6014, "FTDI FT232H", "ftdi_sio"},
    {kFtdi, 0x6015, "FTDI FT-X", "ftdi_sio"},
    // A clone whose product id FTDI's Windows driver 2.12.00 overwrote with zero; Linux still
    // serves it.
    {kFtdi, 0x0000, "FTDI (product id zeroed)", "ftdi_sio"},
};

}  // namespace

std::optional<UsbSerialChip> usbSerialChip(unsigned vendorId, unsigned productId) {
    const auto found = std::find_if(std::begin(kChips), std::end(kChips), [&](const auto& chip) {
        return chip.vendorId == vendorId && chip.productId == productId;
    });
    return found == std::end(kChips) ? std::nullopt : std::optional(*found);
}

std::optional<UsbSerialChip> usbSerialChip(std::optional<unsigned> vendorId,
                                           std::optional<unsigned> productId) {
    return vendorId && productId ? usbSerialChip(*vendorId, *productId) : std::nullopt;
}

}  // namespace rkt5
