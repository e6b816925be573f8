// DeviceDetection: the controller's scan and what it makes of the result.
//
// RefreshDeviceState rescans and marks the mode lines found; ApplyDeviceState
// picks the device type and connection mode, shows the matching pages and
// queues the version query and the reload. Both run on the worker thread;
// the state getters may be read from any thread.
#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include "device/DeviceManager.h"
#include "device/IDeviceCommandQueue.h"
#include "device/IDeviceStateView.h"
#include "device/ILayoutSwitcher.h"
#include "device/ModeList.h"

namespace device {

class DeviceDetection {
public:
    DeviceDetection(DeviceManager& manager, ModeList& modes, IDeviceStateView& view, IDeviceCommandQueue& queue,
                    ILayoutSwitcher& layouts)
        : m_manager(manager), m_modes(modes), m_view(view), m_queue(queue), m_layouts(layouts) {}

    void RefreshDeviceState();
    void ApplyDeviceState();

    // The device selector chose a board of this type: it becomes the
    // selected type (its layout is loaded when another one is). False when
    // no present line has that type.
    bool SelectDeviceType(int deviceType);

    [[nodiscard]] bool AnyDeviceOpen() const noexcept { return m_anyDeviceOpen; }
    [[nodiscard]] bool ConnectedToCatalogue() const noexcept { return m_connectedToCatalogue; }
    [[nodiscard]] int ConnectionMode() const noexcept { return m_connMode; }
    [[nodiscard]] int DeviceType() const noexcept { return m_deviceType; }

private:
    void UseDeviceType(int deviceType);

    DeviceManager& m_manager;
    ModeList& m_modes;
    IDeviceStateView& m_view;
    IDeviceCommandQueue& m_queue;
    ILayoutSwitcher& m_layouts;

    std::atomic<bool> m_anyDeviceOpen = false;
    std::atomic<bool> m_connectedToCatalogue = false;
    std::atomic<int> m_connMode = kConnNone;
    std::atomic<int> m_deviceType = 0;
    std::mutex m_foundMutex;
    std::vector<int> m_foundTypes;  // device types of the lines the last scan found, in mode-list order
};

}  // namespace device
