// Canonical interface names from sysfs paths and udev properties.
#include "platform/HidInterfaceName.h"

#include <cstdio>
#include <vector>

namespace hid {
namespace {

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool AllHex(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!IsHex(c)) return false;
    return true;
}

uint16_t HexValue(std::string_view s) {
    unsigned value = 0;
    for (char c : s) value = value * 16 + static_cast<unsigned>(IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
    return static_cast<uint16_t>(value);
}

std::vector<std::string_view> SplitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// "BBBB:VVVV:PPPP.NNNN", the kernel's name for a HID device.
bool IsHidDeviceName(std::string_view s) {
    if (s.size() < 16 || s[4] != ':' || s[9] != ':' || s[14] != '.') return false;
    return AllHex(s.substr(0, 4)) && AllHex(s.substr(5, 4)) && AllHex(s.substr(10, 4)) && AllHex(s.substr(15));
}

// A USB interface folder: "<bus>-<port>[.<port>...]:<config>.<interface>";
// the interface number is written in decimal.
int UsbInterfaceNumber(std::string_view s) {
    size_t colon = s.find(':');
    size_t dash = s.find('-');
    if (colon == std::string_view::npos || dash == std::string_view::npos || dash == 0 || dash > colon) return -1;
    for (size_t i = 0; i < dash; ++i)
        if (!IsDigit(s[i])) return -1;
    for (size_t i = dash + 1; i < colon; ++i)
        if (!IsDigit(s[i]) && s[i] != '.') return -1;
    std::string_view tail = s.substr(colon + 1);
    size_t dot = tail.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 >= tail.size()) return -1;
    int number = 0;
    for (size_t i = 0; i < tail.size(); ++i) {
        if (i == dot) continue;
        if (!IsDigit(tail[i])) return -1;
        if (i > dot) {
            number = number * 10 + (tail[i] - '0');
            if (number > 255) return -1;
        }
    }
    return number;
}

}  // namespace

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string BuildInterfaceName(const InterfaceIdentity& identity) {
    char ids[32];
    std::snprintf(ids, sizeof ids, "VID_%04X&PID_%04X", identity.vendorId, identity.productId);
    std::string name = "HID#";
    if (identity.bus == kBusBluetooth) {
        name += "{";
        name += kBluetoothHidServiceId;
        name += "}_";
        name += ids;
    } else {
        name += ids;
        if (identity.interfaceNumber >= 0 && identity.interfaceNumber <= 0xFF) {
            char mi[8];
            std::snprintf(mi, sizeof mi, "&MI_%02X", identity.interfaceNumber);
            name += mi;
        }
    }
    name += "#";
    name += identity.sysfsId;
    return UpperAscii(name);
}

std::optional<InterfaceIdentity> ParseHidDevpath(std::string_view devpath) {
    std::vector<std::string_view> parts = SplitPath(devpath);
    // The innermost HID device folder names the interface; the folder above
    // it is the USB interface when the device sits on USB.
    for (size_t i = parts.size(); i-- > 0;) {
        if (!IsHidDeviceName(parts[i])) continue;
        InterfaceIdentity identity;
        std::string_view s = parts[i];
        identity.bus = HexValue(s.substr(0, 4));
        identity.vendorId = HexValue(s.substr(5, 4));
        identity.productId = HexValue(s.substr(10, 4));
        identity.sysfsId = UpperAscii(s);
        if (identity.bus == kBusUsb && i > 0) identity.interfaceNumber = UsbInterfaceNumber(parts[i - 1]);
        return identity;
    }
    return std::nullopt;
}

std::optional<std::string> InterfaceNameFromUdev(const std::map<std::string, std::string>& properties) {
    auto devpath = properties.find("DEVPATH");
    if (devpath == properties.end()) return std::nullopt;
    std::optional<InterfaceIdentity> identity = ParseHidDevpath(devpath->second);
    if (!identity) return std::nullopt;
    auto number = properties.find("ID_USB_INTERFACE_NUM");
    if (identity->bus == kBusUsb && identity->interfaceNumber < 0 && number != properties.end() &&
        AllHex(number->second) && number->second.size() <= 2) {
        // udev writes the number as two hexadecimal digits.
        identity->interfaceNumber = HexValue(number->second);
    }
    return BuildInterfaceName(*identity);
}

int ProductIdFromInterfaceName(std::string_view name) {
    std::string upper = UpperAscii(name);
    size_t at = upper.find("PID_");
    if (at == std::string::npos || at + 8 > upper.size()) return -1;
    std::string_view digits = std::string_view(upper).substr(at + 4, 4);
    return AllHex(digits) ? HexValue(digits) : -1;
}

bool IsControlInterfaceName(std::string_view name) {
    return UpperAscii(name).find(kControlInterfaceMarker) != std::string::npos;
}

}  // namespace hid
