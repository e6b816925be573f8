// SimulatedHid: the simulated keyboard behind the HID access layer.
//
// Boards are plugged and unplugged at run time; each change raises the
// same hot-plug events (one per HID device of the board) that the udev
// monitor raises for a real board, so the program reacts through the same
// path.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "device/sim/SimulatedKeyboard.h"
#include "platform/Hid.h"
#include "platform/Hotplug.h"

namespace device::sim {

class SimulatedHid final : public hid::Api, public hotplug::Monitor {
public:
    SimulatedHid() = default;
    ~SimulatedHid() override;
    SimulatedHid(const SimulatedHid&) = delete;
    SimulatedHid& operator=(const SimulatedHid&) = delete;

    // Plugs a new board; raises its arrivals.
    std::shared_ptr<SimulatedKeyboard> Plug(const SimBoardSpec& boardSpec);
    // Unplugs a board; raises its removals. False when it was not plugged.
    bool Unplug(const std::shared_ptr<SimulatedKeyboard>& board);
    [[nodiscard]] std::vector<std::shared_ptr<SimulatedKeyboard>> Boards() const;
    // The first plugged board with that product id, or null.
    [[nodiscard]] std::shared_ptr<SimulatedKeyboard> FindBoard(uint16_t productId) const;

    // hid::Api
    bool Init() override { return true; }
    std::vector<hid::DeviceInfo> Enumerate() override;
    std::unique_ptr<hid::Device> Open(const std::string& path) override;

    // hotplug::Monitor
    bool Start(hotplug::Callback callback) override;
    void Stop() override;

private:
    void Raise(hotplug::Change change, const std::shared_ptr<SimulatedKeyboard>& board);

    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<SimulatedKeyboard>> m_boards;
    int m_nextHidNumber = 1;

    std::mutex m_callbackMutex;  // held while a callback runs, so Stop waits for it
    hotplug::Callback m_callback;
};

}  // namespace device::sim
