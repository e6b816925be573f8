// Where the device link queues work for the controller's worker thread.
#pragma once

#include <deque>
#include <mutex>
#include <vector>

namespace device {

// Device command numbers the device link itself queues.
inline constexpr int kCmdDeviceArrived = 2;
inline constexpr int kCmdDeviceRemoved = 3;
inline constexpr int kCmdReload = 5;
inline constexpr int kCmdVersionQuery = 13;

class IDeviceCommandQueue {
public:
    virtual ~IDeviceCommandQueue() = default;
    // Appends a command; callable from any thread.
    virtual void PostDeviceCommand(int command) = 0;
};

// A plain queue guarded by one mutex, held only to append or take.
class LockedCommandQueue final : public IDeviceCommandQueue {
public:
    void PostDeviceCommand(int command) override {
        std::lock_guard lock(m_mutex);
        m_commands.push_back(command);
    }
    // Takes the oldest command; false when the queue is empty.
    bool Take(int& command) {
        std::lock_guard lock(m_mutex);
        if (m_commands.empty()) return false;
        command = m_commands.front();
        m_commands.pop_front();
        return true;
    }
    [[nodiscard]] std::vector<int> Snapshot() const {
        std::lock_guard lock(m_mutex);
        return {m_commands.begin(), m_commands.end()};
    }

private:
    mutable std::mutex m_mutex;
    std::deque<int> m_commands;
};

}  // namespace device
