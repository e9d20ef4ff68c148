#include "firmware/generator/FirmwareContent.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

namespace rkt5::firmware_gen {

namespace {

// Writes bytes forward from an address, silently stopping at the end of its area so that a
// generator may overrun the area's last few bytes.
class Writer {
  public:
    Writer(std::vector<std::uint8_t>& image, Span area)
        : image_(image), area_(area), address_(area.start) {}

    std::uint32_t address() const { return address_; }
    bool full() const { return address_ >= area_.end(); }

    void u8(std::uint32_t value) {
        if (address_ < area_.end()) {
            image_[address_ - kImageStart] = static_cast<std::uint8_t>(value);
        }
        ++address_;
    }
    void u16(std::uint32_t value) {
        u8(value);
        u8(value >> 8);
    }
    void u24(std::uint32_t value) {
        u16(value);
        u8(value >> 16);
    }
    void u32(std::uint32_t value) {
        u16(value);
        u16(value >> 16);
    }
    void text(std::string_view s) {
        for (char c : s) {
            u8(static_cast<unsigned char>(c));
        }
    }
    // Text in a fixed-width field, padded with NULs.
    void field(std::string_view s, std::uint32_t width) {
        for (std::uint32_t i = 0; i < width; ++i) {
            u8(i < s.size() ? static_cast<unsigned char>(s[i]) : 0);
        }
    }
    void alignTo(std::uint32_t alignment, std::uint8_t fill) {
        while (address_ % alignment != 0) {
            u8(fill);
        }
    }

  private:
    std::vector<std::uint8_t>& image_;
    Span area_;
    std::uint32_t address_;
};

constexpr std::string_view kModelName = "RK-T5";
constexpr std::string_view kVersion = "EG5.000";

void writeVersionBlock(Writer& out, std::uint32_t resetAddress) {
    out.field(kModelName, 8);
    out.field(kVersion, 8);
    out.u16(0x0100);  // layout of this block
    out.u24(kImageStart);
    out.u24(kImageEnd - 1);
    out.u16(kImageSize / kRowSize);
    out.u24(resetAddress);
    out.u8(0x00);
    out.field("FLASH 256K", 12);
    out.field("RK-T5 EG5.000", 16);
    out.alignTo(64, 0x00);
}

constexpr std::string_view kMenuTexts[] = {
    "RK-T5 EG5.000", "VFO",      "MEMORY",    "CALL",       "SCAN",      "PRIORITY",
    "DUAL WATCH",    "SQUELCH",  "TONE",      "DCS",        "TONE SQL",  "SHIFT +",
    "SHIFT -",       "OFFSET",   "STEP",      "POWER HIGH", "POWER MID", "POWER LOW",
    "BATTERY LOW",   "LOCK",     "KEY BEEP",  "BACKLIGHT",  "AUTO OFF",  "TIME OUT",
    "BUSY LOCK",     "RESET?",   "ALL RESET", "CLONE",      "SEND",      "RECEIVE",
    "ERROR",         "COMPLETE", "WAIT",      "CH NAME",    "BANK",      "SKIP",
    "NARROW",        "WIDE",     "AM",        "FM",         "ATT ON",    "ATT OFF",
    "MONITOR",       "VOX",      "BELL",      "PAGER",      "DTMF",      "HOME",
    "WEATHER",       "BAND",     "MODE",      "CONTRAST",   "DIMMER",    "SAVE",
    "APO",           "RX SAVE",  "TX SAVE",   "ID",         "PASSWORD",  "FLASH MODE",
};

void writeTexts(Writer& out) {
    std::vector<std::uint32_t> starts;
    for (std::string_view text : kMenuTexts) {
        starts.push_back(out.address());
        out.text(text);
        out.u8(0x00);
    }
    out.alignTo(4, 0x00);
    for (std::uint32_t start : starts) {
        out.u24(start);
        out.u8(0x00);
    }
}

// 8x8 character cells for 0x20 to 0x7F, built from a handful of stroke patterns.
void writeSmallFont(Writer& out, SplitMix64& rng) {
    constexpr std::uint8_t kStrokes[] = {0x3C, 0x42, 0x40, 0x02, 0x7E, 0x24, 0x18,
                                         0x66, 0x7C, 0x44, 0x3E, 0x22, 0x60, 0x06};
    for (int c = 0x20; c < 0x80; ++c) {
        out.u8(0x00);
        for (int row = 1; row < 7; ++row) {
            out.u8(c == 0x20 ? 0x00 : kStrokes[rng.below(sizeof kStrokes)]);
        }
        out.u8(0x00);
    }
}

// 16x16 glyphs of two bytes per row, drawn as a few horizontal and vertical strokes.
void writeGlyphs(Writer& out, SplitMix64& rng, std::uint32_t count) {
    for (std::uint32_t g = 0; g < count; ++g) {
        std::array<std::uint16_t, 16> rows{};
        const std::uint32_t strokes = 3 + rng.below(5);
        for (std::uint32_t s = 0; s < strokes; ++s) {
            const std::uint32_t a = 1 + rng.below(13);
            const std::uint32_t from = 1 + rng.below(6);
            const std::uint32_t to = from + 4 + rng.below(14 - from - 3);
            for (std::uint32_t k = from; k <= to && k < 15; ++k) {
                if (s % 2 == 0) {
                    rows[a] |= static_cast<std::uint16_t>(0x8000u >> k);  // horizontal
                } else {
                    rows[k] |= static_cast<std::uint16_t>(0x8000u >> a);  // vertical
                }
            }
        }
        for (std::uint16_t row : rows) {
            out.u8(row >> 8);
            out.u8(row & 0xFF);
        }
    }
}

// Factory contents of the memory channels: frequency in Hz, tone, step, flags and a name.
void writeChannelDefaults(Writer& out) {
    for (std::uint32_t ch = 1; !out.full(); ++ch) {
        out.u32(144'000'000u + (ch - 1) % 320 * 12'500u + (ch - 1) / 320 * 5'000'000u);
        out.u8(ch % 50);                    // tone index
        out.u8(4);                          // 12.5 kHz step
        out.u8(ch % 7 == 0 ? 0x81 : 0x01);  // in use, every seventh skipped by the scan
        out.u8(0x00);
        std::string name = "CH" + std::to_string(10000 + ch).substr(1);
        out.field(name, 8);
    }
}

void writeCrcTable(Writer& out) {
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t crc = i << 8;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
        }
        out.u16(crc & 0xFFFF);
    }
}

// A full sine wave in 256 steps, integer arithmetic only (Bhaskara's approximation) so that the
// table is the same on every machine.
void writeSineTable(Writer& out) {
    for (std::int32_t i = 0; i < 256; ++i) {
        const std::int32_t degrees = i * 360 / 256;
        const std::int32_t d = degrees % 180;
        const std::int32_t value = 32767 * 4 * d * (180 - d) / (40500 - d * (180 - d));
        out.u16(static_cast<std::uint32_t>(degrees < 180 ? value : -value) & 0xFFFF);
    }
}

void writeToneTables(Writer& out) {
    constexpr std::uint16_t kTones[] = {
        670,  693,  719,  744,  770,  797,  825,  854,  885,  915,  948,  974,  1000,
        1035, 1072, 1109, 1148, 1188, 1230, 1273, 1318, 1365, 1413, 1462, 1514, 1567,
        1598, 1622, 1655, 1679, 1713, 1738, 1773, 1799, 1835, 1862, 1899, 1928, 1966,
        1995, 2035, 2065, 2107, 2138, 2181, 2213, 2257, 2291, 2336, 2418, 2503, 2541};
    for (std::uint16_t tone : kTones) {
        out.u16(tone);
    }
    constexpr std::uint16_t kCodes[] = {
        023,  025,  026,  031,  032,  036,  043,  047,  051,  053,  054,  065,  071,  072,  073,
        074,  0114, 0115, 0116, 0122, 0125, 0131, 0132, 0134, 0143, 0145, 0152, 0155, 0156, 0162,
        0165, 0172, 0174, 0205, 0212, 0223, 0225, 0226, 0243, 0244, 0245, 0246, 0251, 0252, 0255,
        0261, 0263, 0265, 0266, 0271, 0274, 0306, 0311, 0315, 0325, 0331, 0332, 0343, 0346, 0351,
        0356, 0364, 0365, 0371, 0411, 0412, 0413, 0423, 0431, 0432, 0445, 0446, 0452, 0454, 0455,
        0462, 0464, 0465, 0466, 0503, 0506, 0516, 0523, 0526, 0532, 0546, 0565, 0606, 0612, 0624,
        0627, 0631, 0632, 0654, 0662, 0664, 0703, 0712, 0723, 0731, 0732, 0734, 0743, 0754};
    for (std::uint16_t code : kCodes) {
        out.u16(code);
    }
    for (std::uint32_t step :
         {5000u, 6250u, 8330u, 10000u, 12500u, 15000u, 20000u, 25000u, 30000u, 50000u, 100000u}) {
        out.u32(step);
    }
}

void writeBandTable(Writer& out) {
    constexpr std::uint32_t kBands[][2] = {{76'000'000, 108'000'000},  {108'000'000, 137'000'000},
                                           {137'000'000, 174'000'000}, {174'000'000, 222'000'000},
                                           {222'000'000, 420'000'000}, {420'000'000, 470'000'000},
                                           {470'000'000, 770'000'000}, {800'000'000, 999'000'000}};
    for (const auto& band : kBands) {
        out.u32(band[0]);
        out.u32(band[1]);
    }
}

// Calibration curves per band: meter readings, power settings and the like, gently rising.
void writeCalibration(Writer& out, SplitMix64& rng) {
    for (int curve = 0; curve < 48; ++curve) {
        std::uint32_t value = 0x10 + rng.below(0x20);
        const std::uint32_t slope = 2 + rng.below(5);
        for (int point = 0; point < 32; ++point) {
            out.u8(value);
            value = std::min<std::uint32_t>(0xF0, value + slope + rng.below(3));
        }
    }
}

// Machine code of an invented 16-bit controller: functions with a save and a restore of their
// registers, moves, arithmetic, branches and calls to earlier functions.
void writeCode(Writer& out, SplitMix64& rng, std::vector<std::uint32_t>& entries) {
    while (!out.full()) {
        entries.push_back(out.address());
        const std::uint32_t saved = 0x0F | (rng.below(16) << 4);
        out.u8(0xEC);
        out.u8(saved);
        const std::uint32_t length = 6 + rng.below(48);
        for (std::uint32_t i = 0; i < length; ++i) {
            const std::uint32_t kind = rng.below(100);
            if (kind < 20) {
                out.u8(0x73);  // register to register
                out.u8(rng.below(0x80));
            } else if (kind < 32) {
                out.u8(0xB0 | rng.below(16));  // short move
            } else if (kind < 44) {
                out.u8(0x74);  // byte immediate
                out.u8(rng.below(0x40));
                out.u8(rng.byte());
            } else if (kind < 52) {
                out.u8(0x75);  // word immediate
                out.u8(rng.below(0x40));
                out.u16(rng.below(0x10000));
            } else if (kind < 62) {
                out.u8(0x68 | rng.below(8));  // conditional branch, mostly forward
                out.u8(rng.below(4) == 0 ? 0xC0 + rng.below(0x3E) : 0x02 + rng.below(0x3E));
            } else if (kind < 70 && !entries.empty()) {
                out.u8(0xFD);  // call
                out.u24(entries[rng.below(static_cast<std::uint32_t>(entries.size()))]);
            } else if (kind < 78) {
                out.u8(0x72);  // load from RAM
                out.u8(rng.below(0x40));
                out.u16(0x0400 + rng.below(0x2800));
            } else if (kind < 86) {
                out.u8(0x76 | rng.below(4));  // add, sub, cmp, and with immediate
                out.u8(rng.below(0x40));
                out.u8(rng.byte());
            } else if (kind < 92) {
                out.u8(0xF4);  // jump
                out.u16(rng.below(0x200));
            } else {
                out.u8(0x7E);  // bit operation
                out.u8(rng.below(0x40));
                out.u8(rng.below(0x80));
            }
        }
        out.u8(0xED);
        out.u8(saved);
        out.u8(0xF3);  // return
        if (out.address() % 2 != 0) {
            out.u8(0x04);  // entry points stay even
        }
    }
}

}  // namespace

std::vector<std::uint8_t> makeContent(SplitMix64& rng) {
    std::vector<std::uint8_t> image(kImageSize, 0xFF);

    // The fixed section first: its first function is the reset entry that the version block and
    // the vector table name.
    std::vector<std::uint32_t> fixedEntries;
    {
        Writer out(image, {kFixedSection.start, kVectorTable - kFixedSection.start});
        writeCode(out, rng, fixedEntries);
        Writer vectors(image, {kVectorTable, kImageEnd - kVectorTable});
        for (std::uint32_t v = 0; v < kVectorCount; ++v) {
            vectors.u24(fixedEntries.at(v * 7));
            vectors.u8(0x00);
        }
    }
    {
        Writer out(image, kDataSection);
        writeVersionBlock(out, fixedEntries.front());
        writeTexts(out);
        out.alignTo(16, 0x00);
        writeSmallFont(out, rng);
        writeGlyphs(out, rng, 1024);
        writeChannelDefaults(out);
    }
    std::vector<std::uint32_t> entries;
    {
        Writer out(image, kMainCode);
        writeCode(out, rng, entries);
    }
    {
        Writer out(image, kTableSection);
        writeCrcTable(out);
        writeSineTable(out);
        writeToneTables(out);
        writeBandTable(out);
        writeCalibration(out, rng);
        out.alignTo(16, 0x00);
        writeCode(out, rng, entries);
    }
    {
        Writer out(image, kDriverCode);
        writeCode(out, rng, entries);
    }
    return image;
}

void keepDataRowsFlagged(std::vector<std::uint8_t>& image, const std::vector<Span>& runs) {
    std::vector<bool> hasData(kImageSize / kRowSize, false);
    std::vector<bool> hasByteBelowFF(kImageSize / kRowSize, false);
    for (const Span& run : runs) {
        for (std::uint32_t a = run.start; a < run.end(); ++a) {
            const std::uint32_t row = (a - kImageStart) / kRowSize;
            hasData[row] = true;
            hasByteBelowFF[row] = hasByteBelowFF[row] || image[a - kImageStart] != 0xFF;
        }
    }
    for (const Span& run : runs) {
        for (std::uint32_t a = run.start; a < run.end(); ++a) {
            const std::uint32_t row = (a - kImageStart) / kRowSize;
            if (hasData[row] && !hasByteBelowFF[row]) {
                image[a - kImageStart] = 0x00;
                hasByteBelowFF[row] = true;
            }
        }
    }
}

}  // namespace rkt5::firmware_gen
