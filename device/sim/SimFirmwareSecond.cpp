#include "device/sim/SimFirmwareSecond.h"

#include <algorithm>

namespace device::sim {
namespace {

// The board's own numbers (it shares no code with the host's builders).
constexpr uint8_t kRemap = 0xFA, kMacroFirst = 0xF1, kMacroNext = 0x00, kLight = 0xF7, kReset = 0xF0;
constexpr uint8_t kResetArg = 0xAA, kSlotArg = 0x01;
constexpr uint8_t kMusic[4] = {0x23, 0x45, 0x67, 0x89};
constexpr uint8_t kWireless[4] = {0xBB, 0xAA, 0x99, 0x88};
constexpr uint8_t kWirelessLight = 0xAA;
constexpr int kImageReports = 28, kImageChunk = 6, kImageHeader = 4;
constexpr int kMacroSlotCount = 13, kRemapSlotCount = 10;
constexpr size_t kMacroKeysAt = 1, kRemapKeysAt = 14;

}  // namespace

void SimFirmwareSecond::OnSetFeature(SimBoardState& state, const uint8_t* data, size_t length) {
    SimFirmware::OnSetFeature(state, data, length);
    if (length < kFeatureReportSize || data[0] != kFeatureReportId) return Reject(state);
    const uint8_t command = data[1];
    if (command == kCmdFirmwareVersion || command == kCmdReadSlotTable) return;

    if (m_uploading && command == kMacroNext) {
        std::copy_n(data + 2, kImageChunk, m_image.begin() + m_uploadReports * kImageChunk);
        if (++m_uploadReports == kImageReports) FinishMacroUpload(state);
        return;
    }
    if (m_uploading) {
        // An image cut short by another command is dropped.
        m_uploading = false;
        ++m_data->rejectedReports;
    }
    switch (command) {
        case kRemap: {
            const int slot = data[3];
            if (data[2] != kSlotArg || data[5] != kSlotArg || data[7] != kSlotArg || slot < 1 ||
                slot > kRemapSlotCount)
                return Reject(state);
            m_data->remapSlots[static_cast<size_t>(slot - 1)] = {data[4], data[6]};
            state.slotTable[kRemapKeysAt + static_cast<size_t>(slot - 1)] = data[4];
            return Changed(state);
        }
        case kMacroFirst:
            if (data[2] != 1 || data[3] < 1 || data[3] > kMacroSlotCount) return Reject(state);
            m_image.fill(0);
            std::copy_n(data + 2, kImageChunk, m_image.begin());
            m_uploading = true;
            m_uploadReports = 1;
            return;
        case kLight:
            m_data->lightSecond.assign(data + 2, data + 8);
            return Changed(state);
        case kReset:
            if (data[2] != kResetArg) return Reject(state);
            m_data->ClearSettings();
            state.slotTable.fill(0);
            ++m_data->resets;
            return Changed(state);
        default:
            if (std::equal(kMusic, kMusic + 4, data + 1)) {
                m_data->musicMode = data[5];
                m_data->musicLevel = data[7];
                return Changed(state);
            }
            return Reject(state);
    }
}

void SimFirmwareSecond::FinishMacroUpload(SimBoardState& state) {
    m_uploading = false;
    const int slot = m_image[1];
    SimMacroSlot& target = m_data->macroSlots[static_cast<size_t>(slot - 1)];
    target = {};
    target.key = m_image[2];
    target.playTimes = m_image[3];
    for (size_t at = kImageHeader; at + 1 < m_image.size(); at += 2) {
        if (m_image[at] == 0 && m_image[at + 1] == 0) break;
        target.events.push_back({m_image[at], m_image[at + 1]});
    }
    state.slotTable[kMacroKeysAt + static_cast<size_t>(slot - 1)] = m_image[2];
    Changed(state);
}

void SimFirmwareSecond::OnOutputReport(SimBoardState& state, int, const uint8_t* data, size_t length) {
    // Report id 0, the four marker bytes, then the command.
    if (length < kOutputReportSize || data[0] != kOutputReportId || !std::equal(kWireless, kWireless + 4, data + 1))
        return Reject(state);
    const uint8_t* body = data + 5;
    const bool allAA = std::all_of(body, body + 6, [](uint8_t b) { return b == 0xAA; });
    const bool allZero = std::all_of(body, body + 6, [](uint8_t b) { return b == 0; });
    if (allAA) {
        m_wirelessResetArmed = true;
        return;
    }
    if (allZero && m_wirelessResetArmed) {
        m_wirelessResetArmed = false;
        m_data->ClearSettings();
        state.slotTable.fill(0);
        ++m_data->resets;
        return Changed(state);
    }
    m_wirelessResetArmed = false;
    if (body[0] != kWirelessLight) return Reject(state);
    m_data->lightSecond.assign(body + 1, body + 7);
    Changed(state);
}

}  // namespace device::sim
