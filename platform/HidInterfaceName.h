// Canonical device interface names.
//
// Every HID interface is named the way the catalogue's interface patterns
// and the control-interface rule ("&MI_03") expect, whatever the system
// calls it:
//
//   HID#VID_vvvv&PID_pppp&MI_nn#<sysfs HID id>      USB, interface known
//   HID#VID_vvvv&PID_pppp#<sysfs HID id>            no interface number
//   HID#{00001812-0000-1000-8000-00805F9B34FB}_VID_vvvv&PID_pppp#<sysfs HID id>
//                                                   Bluetooth (bus 0005)
//
// all upper case; <sysfs HID id> is the name of the kernel's HID device
// folder, e.g. 0003:1209:0002.0005. These are pure functions, so they can be
// checked on recorded paths and udev properties.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace hid {

inline constexpr uint16_t kBusUsb = 0x0003;
inline constexpr uint16_t kBusBluetooth = 0x0005;
// The Bluetooth HID service class, as it appears in Bluetooth interface names.
inline constexpr const char* kBluetoothHidServiceId = "00001812-0000-1000-8000-00805F9B34FB";
// The interface number that carries the control interface.
inline constexpr const char* kControlInterfaceMarker = "&MI_03";

struct InterfaceIdentity {
    uint16_t bus = 0;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    int interfaceNumber = -1;  // -1 when unknown or not a USB interface
    std::string sysfsId;       // e.g. "0003:1209:0002.0005"
};

// The canonical name of an interface (upper case).
[[nodiscard]] std::string BuildInterfaceName(const InterfaceIdentity& identity);

// Reads bus, ids, sysfs HID id and (for USB) the interface number from a
// hidraw device's sysfs path (udev's DEVPATH, or the target of
// /sys/class/hidraw/hidrawN), e.g.
// /devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.2/0003:1209:0002.0005/hidraw/hidraw3.
// Empty when the path holds no HID device folder.
[[nodiscard]] std::optional<InterfaceIdentity> ParseHidDevpath(std::string_view devpath);

// The canonical name from the properties of a udev hidraw event (DEVPATH,
// and ID_USB_INTERFACE_NUM when the path names no USB interface). Empty when
// the event is not about a HID device.
[[nodiscard]] std::optional<std::string> InterfaceNameFromUdev(const std::map<std::string, std::string>& properties);

// ASCII upper case, as device names are compared.
[[nodiscard]] std::string UpperAscii(std::string_view text);

// The product id written in a canonical name ("PID_pppp"), -1 when none.
[[nodiscard]] int ProductIdFromInterfaceName(std::string_view name);

// True when the upper-cased name marks the control interface.
[[nodiscard]] bool IsControlInterfaceName(std::string_view name);

}  // namespace hid
