#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "common/RunTimeError.h"
#include "link/PortMenu.h"
#include "link/SpeedOptions.h"
#include "serial/LineSettings.h"
#include "serial/PortNames.h"

namespace rkt5 {
namespace {

TEST(LineSettings, AreWrittenAsPeopleWriteThem) {
    EXPECT_EQ(SpeedOptions::settingsFor(2).text(), "57600,n,8,1");
    EXPECT_EQ((LineSettings{4800, Parity::Even, 7, 2}.text()), "4800,e,7,2");
}

TEST(PortNames, NumbersStandForTheSerialDevicesUnlessBound) {
    PortNames names;
#ifdef _WIN32
    EXPECT_EQ(names.deviceFor(3), "COM3");
    names.addBinding("COM1=COM23");
    EXPECT_EQ(names.deviceFor(1), "COM23");
    EXPECT_EQ(names.displayName(1), "COM1 (COM23)");
#else
    EXPECT_EQ(names.deviceFor(1), "/dev/ttyS0");
    EXPECT_EQ(names.deviceFor(17), "/dev/ttyS16");
    names.addBinding("com3=/dev/ttyUSB0");
    EXPECT_EQ(names.deviceFor(3), "/dev/ttyUSB0");
    EXPECT_EQ(names.deviceFor(2), "/dev/ttyS1");

    // The listed ports take the numbers that are not bound: USB adapters first, each group by name.
    names.setListedPorts({{"/dev/ttyS0"}, {"/dev/ttyACM0"}, {"/dev/ttyS4"}, {"/dev/ttyUSB1"}});
    EXPECT_EQ(names.deviceFor(1), "/dev/ttyACM0");
    EXPECT_EQ(names.deviceFor(2), "/dev/ttyUSB1");
    EXPECT_EQ(names.deviceFor(3), "/dev/ttyUSB0") << "a binding comes first";
    EXPECT_EQ(names.deviceFor(4), "/dev/ttyS4");
    EXPECT_EQ(names.deviceFor(6), "/dev/ttyS5") << "a number left over";
    // What an operation opens is resolved once, with the name it is known by.
    EXPECT_EQ(names.identify(3), (PortIdentity{3, "/dev/ttyUSB0", "COM3 (/dev/ttyUSB0)"}));
    EXPECT_EQ(names.identifyArgument("/dev/ttyUSB9"),
              (PortIdentity{1, "/dev/ttyUSB9", "/dev/ttyUSB9"}));
#endif
}

TEST(PortNames, RefusesMalformedBindings) {
    PortNames names;
    for (const char* binding : {"COM3", "COM3=", "COM0=/dev/x", "COM17=/dev/x", "/dev/x",
                                "PORT3=/dev/x", "COM=/dev/x", "COM3x=/dev/x"}) {
        EXPECT_THROW(names.addBinding(binding), RunTimeError) << binding;
    }
}

TEST(PortNames, ParsesComNamesOfTheMenusRange) {
    EXPECT_EQ(PortNames::parseComName("COM1"), 1);
    EXPECT_EQ(PortNames::parseComName("com16"), 16);
    for (const char* text : {"COM0", "COM17", "COM", "COM+1", "COM1 ", "COM01x", "CON1", ""}) {
        EXPECT_EQ(PortNames::parseComName(text), std::nullopt) << text;
    }
}

#ifndef _WIN32
TEST(PortNames, ADevicePathArgumentIsBoundToTheLowestFreeNumber) {
    PortNames names;
    names.addBinding("COM1=/dev/ttyUSB0");
    EXPECT_EQ(names.useArgument("/dev/pts/7"), 2);
    EXPECT_EQ(names.deviceFor(2), "/dev/pts/7");
    EXPECT_EQ(names.useArgument("/dev/pts/7"), 2);
    EXPECT_EQ(names.useArgument("/dev/ttyUSB0"), 1);
    EXPECT_EQ(names.useArgument("COM5"), 5);
    // A port is named as the user named it.
    EXPECT_EQ(names.displayName(2), "/dev/pts/7");
    EXPECT_EQ(names.displayName(1), "COM1 (/dev/ttyUSB0)");
    EXPECT_THROW(names.useArgument("COM17"), RunTimeError);
    EXPECT_THROW(names.useArgument(""), RunTimeError);
    // A station's thirty-two cables go on past the menu's numbers, and are found again by device.
    for (int n = 3; n <= 32; ++n) {
        names.useArgument("/dev/ttyUSB" + std::to_string(n));
    }
    EXPECT_EQ(names.deviceFor(32), "/dev/ttyUSB32");
    EXPECT_EQ(names.numberFor("/dev/ttyUSB32"), 32);
    EXPECT_EQ(names.numberFor("/dev/ttyUSB99"), std::nullopt);
}
#else
TEST(PortNames, APortBeyondTheMenuIsBoundToTheLowestFreeNumber) {
    PortNames names;
    EXPECT_EQ(names.useArgument("com23"), 1);
    EXPECT_EQ(names.deviceFor(1), "COM23");
    EXPECT_EQ(names.displayName(1), "COM23");
    EXPECT_EQ(names.useArgument("COM23"), 1);
    EXPECT_EQ(names.useArgument("COM255"), 2);
    for (const char* text : {"COM256", "/dev/ttyS0", "COM0", ""}) {
        EXPECT_THROW(names.useArgument(text), RunTimeError) << text;
    }
}
#endif

TEST(PortMenu, TheFirstCheckedItemIsThePort) {
    PortMenu menu;
    EXPECT_TRUE(menu.checked(1));
    EXPECT_TRUE(menu.checked(3));
    EXPECT_EQ(menu.GetCOM(), 1);

    menu.mnuCom_Click(5);
    EXPECT_EQ(menu.GetCOM(), 5);
    menu.mnuCom_Click(5);
    for (int item = 1; item <= PortMenu::kItems; ++item) {
        EXPECT_EQ(menu.checked(item), item == 5) << item;
    }
    menu.mnuCom_Click(16);
    EXPECT_EQ(menu.GetCOM(), 16);
}

TEST(PortMenu, ClicksOutsideTheSixteenItemsChangeNothing) {
    PortMenu menu;
    menu.mnuCom_Click(4);
    EXPECT_THROW(menu.mnuCom_Click(0), RunTimeError);
    EXPECT_THROW(menu.mnuCom_Click(17), RunTimeError);
    EXPECT_EQ(menu.GetCOM(), 4);
}

TEST(SpeedOptions, ExactlyOneOptionIsSelected) {
    SpeedOptions speeds;
    EXPECT_TRUE(speeds.selected(2));
    speeds.select(0);
    EXPECT_TRUE(speeds.selected(0));
    EXPECT_FALSE(speeds.selected(1));
    EXPECT_FALSE(speeds.selected(2));
    EXPECT_THROW(speeds.select(3), RunTimeError);
    EXPECT_TRUE(speeds.selected(0));
    EXPECT_EQ(SpeedOptions::indexForBaud(38400), 1);
    EXPECT_EQ(SpeedOptions::indexForBaud(19200), std::nullopt);
}

}  // namespace
}  // namespace rkt5
