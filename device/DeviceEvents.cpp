#include "device/DeviceEvents.h"

#include "platform/HidInterfaceName.h"

namespace device {
namespace {

CString UpperAscii(const CString& text) {
    std::u16string out = text.str();
    for (char16_t& c : out)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return CString(std::move(out));
}

bool Contains(const CString& haystack, const CString& needle) {
    return needle.IsEmpty() || haystack.str().find(needle.str()) != std::u16string::npos;
}

}  // namespace

void ToDeviceChange(const hotplug::Event& event, unsigned& code, DeviceBroadcast& broadcast) {
    code = event.change == hotplug::Change::Arrival ? kDeviceArrival : kDeviceRemoveComplete;
    broadcast.deviceType = kDeviceTypeInterface;
    broadcast.name = CString::FromUtf8(event.interfaceName);
}

void DeviceEvents::OnDeviceChange(unsigned event, const DeviceBroadcast* broadcast) {
    if (event != kDeviceArrival && event != kDeviceRemoveComplete) return;
    if (!broadcast || broadcast->deviceType != kDeviceTypeInterface) return;
    const CString name = UpperAscii(broadcast->name);
    const CString bluetooth = CString::FromUtf8(hid::kBluetoothHidServiceId);
    const bool isBluetooth = Contains(name, bluetooth);
    int command = 0;
    m_modes.Modify([&](std::vector<ModeLine>& lines) {
        for (ModeLine& line : lines) {
            if (event == kDeviceRemoveComplete && !line.present) continue;
            if (isBluetooth) return;  // stops the walk at the first line looked at
            if (!Contains(name, line.hidInterface)) continue;
            if (event == kDeviceArrival) {
                command = kCmdDeviceArrived;
            } else {
                line.present = false;
                command = kCmdDeviceRemoved;
            }
            return;
        }
    });
    if (command) m_queue.PostDeviceCommand(command);
}

void DeviceEvents::OnHotplug(const hotplug::Event& event) {
    unsigned code = 0;
    DeviceBroadcast broadcast;
    ToDeviceChange(event, code, broadcast);
    OnDeviceChange(code, &broadcast);
}

}  // namespace device
