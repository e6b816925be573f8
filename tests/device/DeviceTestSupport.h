// Shared pieces of the device link tests: the catalogue of the shipped
// boards and a HID layer that lists whatever a test needs.
#pragma once

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "device/DeviceManager.h"
#include "device/ModeList.h"
#include "device/sim/SimBoardTable.h"
#include "device/sim/SimulatedHid.h"

namespace devtest {

inline const device::sim::SimBoardSpec& Board(const std::string& model, int mode = 0) {
    for (const auto& boardSpec : device::sim::SimBoardTable())
        if (boardSpec.deviceInfo == model && boardSpec.mode == mode) return boardSpec;
    static device::sim::SimBoardSpec none;
    return none;
}

// The catalogue lines of the shipped boards, in catalogue order.
inline void AddCatalogue(device::DeviceManager& manager, device::ModeList* modes = nullptr) {
    for (const auto& boardSpec : device::sim::SimBoardTable()) {
        char pattern[40];
        std::snprintf(pattern, sizeof pattern, "VID_%04X&PID_%04X&MI_02", boardSpec.vendorId, boardSpec.productId);
        CString hidInterface = CString::FromUtf8(pattern);
        manager.AddSupportedDevice(boardSpec.vendorId, boardSpec.productId, boardSpec.productString, boardSpec.deviceType, boardSpec.mode,
                                   hidInterface);
        if (modes)
            modes->AddLine(
                {boardSpec.vendorId, boardSpec.productId, boardSpec.productString, boardSpec.deviceType, boardSpec.mode, hidInterface, false});
    }
}

// A HID layer over a fixed list of collections; every handle records what
// it was sent and answers with the results a test sets.
class ListedHid final : public hid::Api {
public:
    struct Sent {
        std::string path;
        char kind;  // 'o' output, 's' set-feature, 'g' get-feature
        std::vector<uint8_t> bytes;
    };

    std::vector<hid::DeviceInfo> devices;
    std::vector<std::string> unopenable;
    std::vector<Sent> sent;
    std::vector<std::string> opened;
    int writeResult = 65;
    int closed = 0;

    bool Init() override { return true; }
    std::vector<hid::DeviceInfo> Enumerate() override { return devices; }
    std::unique_ptr<hid::Device> Open(const std::string& path) override;
};

class ListedDevice final : public hid::Device {
public:
    ListedDevice(ListedHid& owner, std::string path) : m_owner(owner), m_path(std::move(path)) {}
    ~ListedDevice() override { ++m_owner.closed; }
    int Write(const uint8_t* data, size_t length) override {
        m_owner.sent.push_back({m_path, 'o', {data, data + length}});
        return m_owner.writeResult;
    }
    int SendFeatureReport(const uint8_t* data, size_t length) override {
        m_owner.sent.push_back({m_path, 's', {data, data + length}});
        return static_cast<int>(length);
    }
    int GetFeatureReport(uint8_t* data, size_t length) override {
        m_owner.sent.push_back({m_path, 'g', {data, data + length}});
        return static_cast<int>(length);
    }

private:
    ListedHid& m_owner;
    std::string m_path;
};

inline std::unique_ptr<hid::Device> ListedHid::Open(const std::string& path) {
    for (const auto& bad : unopenable)
        if (bad == path) return nullptr;
    opened.push_back(path);
    return std::make_unique<ListedDevice>(*this, path);
}

inline hid::DeviceInfo Collection(const std::string& path, uint16_t pid, uint16_t usagePage = 0xFF01,
                                  uint16_t usage = 1, const char16_t* product = u"Tastra K87") {
    hid::DeviceInfo info;
    info.path = path;
    info.vendorId = 0x1209;
    info.productId = pid;
    info.productString = product;
    info.usagePage = usagePage;
    info.usage = usage;
    return info;
}

// Scan as the controller does.
inline void Scan(device::DeviceManager& manager, int selectedType = 0) {
    manager.CloseAll();
    manager.Rescan();
    manager.SetOpenFlag(true);
    manager.SetSelectedDeviceType(selectedType);
}

}  // namespace devtest
