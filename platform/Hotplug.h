// Device-interface arrival and removal notifications for HID devices.
//
// A monitor reports each HID interface that appears or disappears, named
// canonically (HidInterfaceName.h), on a thread of its own. The udev
// monitor watches the system; the simulated keyboard raises the same events
// when a simulated board is plugged or unplugged.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace hotplug {

enum class Change { Arrival, Removal };

struct Event {
    Change change = Change::Arrival;
    std::string interfaceName;  // canonical interface name
};

using Callback = std::function<void(const Event&)>;

class Monitor {
public:
    virtual ~Monitor() = default;
    // Starts delivering events to callback (from another thread); false when
    // the monitor cannot run. Starting twice replaces nothing and fails.
    virtual bool Start(Callback callback) = 0;
    // Stops delivery; no callback runs once this returns.
    virtual void Stop() = 0;
};

// libudev monitor on subsystem hidraw: events from udevd (after the device's
// permissions are applied), or straight from the kernel where no udevd runs.
std::unique_ptr<Monitor> CreateUdevMonitor();

}  // namespace hotplug
