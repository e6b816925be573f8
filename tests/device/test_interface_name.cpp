// Canonical interface names from recorded hidraw paths and udev events.
#include <gtest/gtest.h>

#include "platform/HidInterfaceName.h"

using hid::InterfaceNameFromUdev;
using hid::ParseHidDevpath;

TEST(InterfaceNameTest, RecordedSysfsPaths) {
    struct {
        const char* devpath;
        const char* name;
    } cases[] = {
        // USB through a root port, interface 2.
        {"/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.2/0003:1209:0002.0005/hidraw/hidraw3",
         "HID#VID_1209&PID_0002&MI_02#0003:1209:0002.0005"},
        // Behind a hub, interface 3, hex digits in ids.
        {"/devices/pci0000:00/0000:00:14.0/usb3/3-1/3-1.4/3-1.4:1.3/0003:1A2C:00ef.001B/hidraw/hidraw7",
         "HID#VID_1A2C&PID_00EF&MI_03#0003:1A2C:00EF.001B"},
        // Interface numbers are decimal in the path and hex in the name.
        {"/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.10/0003:1209:0001.0002/hidraw/hidraw1",
         "HID#VID_1209&PID_0001&MI_0A#0003:1209:0001.0002"},
        // USB id without a USB interface folder (uhid): no interface number.
        {"/devices/virtual/misc/uhid/0003:1209:0002.0009/hidraw/hidraw0", "HID#VID_1209&PID_0002#0003:1209:0002.0009"},
        // Bluetooth.
        {"/devices/pci0000:00/0000:00:14.0/usb1/1-10/1-10:1.0/bluetooth/hci0/hci0:256/0005:1209:0004.000A/hidraw/"
         "hidraw4",
         "HID#{00001812-0000-1000-8000-00805F9B34FB}_VID_1209&PID_0004#0005:1209:0004.000A"},
        {"/devices/virtual/misc/uhid/0005:1209:0004.000B/hidraw/hidraw5",
         "HID#{00001812-0000-1000-8000-00805F9B34FB}_VID_1209&PID_0004#0005:1209:0004.000B"},
        // I2C touchpad: no interface number.
        {"/devices/platform/AMDI0010:03/i2c-1/i2c-ELAN0001:00/0018:04F3:3140.0001/hidraw/hidraw2",
         "HID#VID_04F3&PID_3140#0018:04F3:3140.0001"},
    };
    for (const auto& c : cases) {
        auto identity = ParseHidDevpath(c.devpath);
        ASSERT_TRUE(identity) << c.devpath;
        EXPECT_EQ(hid::BuildInterfaceName(*identity), c.name) << c.devpath;
        EXPECT_EQ(InterfaceNameFromUdev({{"DEVPATH", c.devpath}}), std::optional<std::string>(c.name));
    }
}

TEST(InterfaceNameTest, PathsWithoutAHidDevice) {
    for (const char* devpath : {"", "/", "/devices/virtual/misc/uhid", "/devices/pci0000:00/0000:00:14.0/usb1/1-2",
                                "/devices/x/0003:1209:0002/hidraw/hidraw3", "/devices/x/0003:12G9:0002.0001/hidraw"})
        EXPECT_FALSE(ParseHidDevpath(devpath)) << devpath;
    EXPECT_FALSE(InterfaceNameFromUdev({{"SUBSYSTEM", "hidraw"}}));
}

TEST(InterfaceNameTest, UdevEvents) {
    // A recorded "add": the hidraw node's properties.
    std::map<std::string, std::string> add = {
        {"ACTION", "add"},
        {"DEVPATH", "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.3/0003:1209:0001.0004/hidraw/hidraw2"},
        {"SUBSYSTEM", "hidraw"},
        {"DEVNAME", "/dev/hidraw2"},
        {"MAJOR", "241"},
        {"MINOR", "2"},
    };
    EXPECT_EQ(InterfaceNameFromUdev(add),
              std::optional<std::string>("HID#VID_1209&PID_0001&MI_03#0003:1209:0001.0004"));
    // The removal of the same node carries the same DEVPATH.
    std::map<std::string, std::string> remove = add;
    remove["ACTION"] = "remove";
    EXPECT_EQ(InterfaceNameFromUdev(remove), InterfaceNameFromUdev(add));
    // A USB path without its interface folder takes udev's interface number.
    std::map<std::string, std::string> noFolder = {
        {"DEVPATH", "/devices/virtual/misc/uhid/0003:1209:0002.0009/hidraw/hidraw0"},
        {"ID_USB_INTERFACE_NUM", "02"},
    };
    EXPECT_EQ(InterfaceNameFromUdev(noFolder),
              std::optional<std::string>("HID#VID_1209&PID_0002&MI_02#0003:1209:0002.0009"));
}

TEST(InterfaceNameTest, NameHelpers) {
    EXPECT_EQ(hid::ProductIdFromInterfaceName("HID#VID_1209&PID_00AB&MI_02#X"), 0xAB);
    EXPECT_EQ(hid::ProductIdFromInterfaceName("hid#vid_1209&pid_0004#x"), 4);
    EXPECT_EQ(hid::ProductIdFromInterfaceName("HID#VID_1209&PID_"), -1);
    EXPECT_TRUE(hid::IsControlInterfaceName("hid#vid_1209&pid_0001&mi_03#x"));
    EXPECT_FALSE(hid::IsControlInterfaceName("HID#VID_1209&PID_0001&MI_02#0003:1209:0001.0003"));
}
