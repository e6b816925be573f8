// DeviceEvents: turns HID interface arrivals and removals into rescans.
//
// An arrival whose name contains a mode line's interface pattern queues a
// rescan (command 2); a removal that matches a line shown present clears
// its flag and queues a rescan (command 3). Bluetooth HID interfaces are
// ignored: their events come and go with the radio link, and a Bluetooth
// board is found by the next scan.
#pragma once

#include "device/IDeviceCommandQueue.h"
#include "device/ModeList.h"
#include "platform/Hotplug.h"
#include "ui/base/CString.h"

namespace device {

// Event codes and the broadcast of a device-interface notification.
inline constexpr unsigned kDeviceArrival = 0x8000;
inline constexpr unsigned kDeviceRemoveComplete = 0x8004;
inline constexpr int kDeviceTypeInterface = 5;

struct DeviceBroadcast {
    int deviceType = kDeviceTypeInterface;
    CString name;  // device interface name
};

// The notification that a hot-plug event stands for.
void ToDeviceChange(const hotplug::Event& event, unsigned& code, DeviceBroadcast& broadcast);

class DeviceEvents {
public:
    DeviceEvents(ModeList& modes, IDeviceCommandQueue& queue) : m_modes(modes), m_queue(queue) {}

    // Decides on one notification; callable from any thread.
    void OnDeviceChange(unsigned event, const DeviceBroadcast* broadcast);
    // The same for a hot-plug monitor's event.
    void OnHotplug(const hotplug::Event& event);

private:
    ModeList& m_modes;
    IDeviceCommandQueue& m_queue;
};

}  // namespace device
