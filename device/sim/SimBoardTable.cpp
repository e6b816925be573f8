#include "device/sim/SimBoardTable.h"

#include <algorithm>

#include "device/DeviceReports.h"

namespace device::sim {
namespace {

constexpr uint16_t kVendorId = 0x1209;
constexpr uint16_t kGenericDesktop = 0x01, kKeyboardUsage = 0x06;
constexpr uint16_t kConsumerPage = 0x0C, kConsumerControl = 0x01;

// A USB board: boot keyboard, media keys, vendor interface 2 and, for the
// first family, the control interface 3.
std::vector<SimInterfaceSpec> UsbInterfaces(bool withControl) {
    std::vector<SimInterfaceSpec> list = {{0, kGenericDesktop, kKeyboardUsage},
                                          {1, kConsumerPage, kConsumerControl},
                                          {2, kVendorUsagePage, kVendorUsage}};
    if (withControl) list.push_back({3, kVendorUsagePage, kVendorUsage});
    return list;
}

std::vector<SimInterfaceSpec> BluetoothInterfaces() {
    return {{-1, kGenericDesktop, kKeyboardUsage},
            {-1, kConsumerPage, kConsumerControl},
            {-1, kVendorUsagePage, kVendorUsage}};
}

const char* ModeSuffix(int mode) {
    switch (mode) {
        case kConnReceiver:
            return "receiver";
        case kConnBluetooth:
            return "bluetooth";
        default:
            return "";
    }
}

}  // namespace

const std::vector<SimBoardSpec>& SimBoardTable() {
    static const std::vector<SimBoardSpec> table = {
        {"k104", kConnWired, kVendorId, 0x0001, u"Tastra K104", 100, 0x0100, 0x0105, UsbInterfaces(true)},
        {"k87", kConnWired, kVendorId, 0x0002, u"Tastra K87", 201, 0x0100, 0x0203, UsbInterfaces(false)},
        {"k87", kConnReceiver, kVendorId, 0x0003, u"Tastra K87", 201, 0x0100, 0x0203, UsbInterfaces(false)},
        {"k87", kConnBluetooth, kVendorId, 0x0004, u"Tastra K87", 201, 0x0100, 0x0203, BluetoothInterfaces()},
        {"k68", kConnWired, kVendorId, 0x0005, u"Tastra K68", 202, 0x0100, 0x0110, UsbInterfaces(false)},
        {"k68", kConnReceiver, kVendorId, 0x0006, u"Tastra K68", 202, 0x0100, 0x0110, UsbInterfaces(false)},
    };
    return table;
}

namespace {

// The model names of the table, each once, for error messages.
std::string KnownModels() {
    std::vector<std::string> seen;
    std::string list;
    for (const SimBoardSpec& boardSpec : SimBoardTable()) {
        if (std::find(seen.begin(), seen.end(), boardSpec.deviceInfo) != seen.end()) continue;
        seen.push_back(boardSpec.deviceInfo);
        if (!list.empty()) list += ", ";
        list += boardSpec.deviceInfo;
    }
    return list;
}

}  // namespace

bool ParseSimulateList(std::string_view text, std::vector<SimBoardSpec>& boards, std::string& error) {
    boards.clear();
    error.clear();
    const std::vector<SimBoardSpec>& table = SimBoardTable();
    if (text == "all") {
        boards = table;
        return true;
    }
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view item = text.substr(start, end - start);
        start = end + 1;
        std::string_view model = item, mode;
        if (size_t colon = item.find(':'); colon != std::string_view::npos) {
            model = item.substr(0, colon);
            mode = item.substr(colon + 1);
        }
        int modeValue = kConnWired;
        if (mode == "receiver") {
            modeValue = kConnReceiver;
        } else if (mode == "bluetooth") {
            modeValue = kConnBluetooth;
        } else if (item.find(':') != std::string_view::npos) {
            error = "--simulate: unknown connection mode \"" + std::string(mode) + "\" (use :receiver or :bluetooth)";
            boards.clear();
            return false;
        }
        bool modelKnown = false;
        const SimBoardSpec* found = nullptr;
        for (const SimBoardSpec& boardSpec : table) {
            if (boardSpec.deviceInfo != model) continue;
            modelKnown = true;
            if (boardSpec.mode == modeValue) {
                found = &boardSpec;
                break;
            }
        }
        if (!found) {
            if (modelKnown)
                error = "--simulate: " + std::string(model) + " has no " + ModeSuffix(modeValue) + " connection";
            else
                error =
                    "--simulate: unknown keyboard \"" + std::string(model) + "\" (known: " + KnownModels() + ", all)";
            boards.clear();
            return false;
        }
        boards.push_back(*found);
    }
    return true;
}

}  // namespace device::sim
