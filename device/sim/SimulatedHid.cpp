#include "device/sim/SimulatedHid.h"

#include <algorithm>
#include <set>

#include "device/sim/SimState.h"

namespace device::sim {
namespace {

class SimDevice final : public hid::Device {
public:
    SimDevice(std::shared_ptr<SimulatedKeyboard> board, int interfaceNumber)
        : m_board(std::move(board)), m_interfaceNumber(interfaceNumber) {}

    int Write(const uint8_t* data, size_t length) override { return m_board->Write(m_interfaceNumber, data, length); }
    int SendFeatureReport(const uint8_t* data, size_t length) override {
        return m_board->SendFeatureReport(m_interfaceNumber, data, length);
    }
    int GetFeatureReport(uint8_t* data, size_t length) override {
        return m_board->GetFeatureReport(m_interfaceNumber, data, length);
    }

private:
    std::shared_ptr<SimulatedKeyboard> m_board;
    int m_interfaceNumber;
};

}  // namespace

SimulatedHid::~SimulatedHid() {
    Stop();
    std::lock_guard lock(m_mutex);
    for (const auto& board : m_boards) board->SetVanishHandler(nullptr);
}

std::shared_ptr<SimulatedKeyboard> SimulatedHid::Plug(const SimBoardSpec& boardSpec) {
    std::shared_ptr<SimulatedKeyboard> board;
    {
        std::lock_guard lock(m_mutex);
        board = std::make_shared<SimulatedKeyboard>(boardSpec, m_nextHidNumber);
        m_nextHidNumber += board->HidNumbersUsed();
        AttachFamilyFirmware(board);
        std::weak_ptr<SimulatedKeyboard> weak = board;
        board->SetVanishHandler([this, weak] {
            if (auto self = weak.lock()) Unplug(self);
        });
        m_boards.push_back(board);
    }
    Raise(hotplug::Change::Arrival, board);
    return board;
}

bool SimulatedHid::Unplug(const std::shared_ptr<SimulatedKeyboard>& board) {
    {
        std::lock_guard lock(m_mutex);
        auto found = std::find(m_boards.begin(), m_boards.end(), board);
        if (found == m_boards.end()) return false;
        m_boards.erase(found);
    }
    board->SetPlugged(false);
    board->SetVanishHandler(nullptr);
    Raise(hotplug::Change::Removal, board);
    return true;
}

std::vector<std::shared_ptr<SimulatedKeyboard>> SimulatedHid::Boards() const {
    std::lock_guard lock(m_mutex);
    return m_boards;
}

std::shared_ptr<SimulatedKeyboard> SimulatedHid::FindBoard(uint16_t productId) const {
    std::lock_guard lock(m_mutex);
    for (const auto& board : m_boards)
        if (board->Description().productId == productId) return board;
    return nullptr;
}

std::vector<hid::DeviceInfo> SimulatedHid::Enumerate() {
    std::vector<hid::DeviceInfo> list;
    for (const auto& board : Boards()) {
        const SimBoardSpec& boardSpec = board->Description();
        for (const SimulatedKeyboard::Interface& iface : board->Interfaces()) {
            hid::DeviceInfo info;
            info.path = iface.path;
            info.vendorId = boardSpec.vendorId;
            info.productId = boardSpec.productId;
            info.releaseNumber = boardSpec.releaseNumber;
            info.productString = boardSpec.productString;
            info.usagePage = iface.description.usagePage;
            info.usage = iface.description.usage;
            info.interfaceNumber = iface.description.number;
            list.push_back(std::move(info));
        }
    }
    return list;
}

std::unique_ptr<hid::Device> SimulatedHid::Open(const std::string& path) {
    for (const auto& board : Boards()) {
        if (!board->IsPlugged()) continue;
        for (const SimulatedKeyboard::Interface& iface : board->Interfaces())
            if (iface.path == path) return std::make_unique<SimDevice>(board, iface.description.number);
    }
    return nullptr;
}

bool SimulatedHid::Start(hotplug::Callback callback) {
    std::lock_guard lock(m_callbackMutex);
    if (m_callback || !callback) return false;
    m_callback = std::move(callback);
    return true;
}

void SimulatedHid::Stop() {
    std::lock_guard lock(m_callbackMutex);
    m_callback = nullptr;
}

void SimulatedHid::Raise(hotplug::Change change, const std::shared_ptr<SimulatedKeyboard>& board) {
    // One event per HID device, as the system raises them.
    std::set<std::string> seen;
    std::lock_guard lock(m_callbackMutex);
    if (!m_callback) return;
    for (const SimulatedKeyboard::Interface& iface : board->Interfaces())
        if (seen.insert(iface.path).second) m_callback(hotplug::Event{change, iface.path});
}

}  // namespace device::sim
