#include "device/sim/SimFirmwareFirst.h"

#include <algorithm>

namespace device::sim {
namespace {

constexpr uint8_t kMacro = 0x8E, kKeyTable = 0x8D, kMode = 0x88, kParams = 0x89, kColours = 0x8B;
constexpr uint8_t kStream = 0xF0, kStreamArg1 = 0xF4, kStreamArg2 = 0x01, kFrame = 0xF1;
constexpr uint8_t kReset = 0xFF, kResetArgs[3] = {0xFE, 0xAA, 0xFF};
constexpr uint8_t kCustomArea = 0xFF;
constexpr size_t kHeader = 5;         // 00 cmd len off-lo off-hi
constexpr size_t kMacroHeader = 6;    // 00 8E len off-lo off-hi slot
constexpr size_t kMaxChunk = 60;
constexpr size_t kMacroChunk = 59;
constexpr int kMacroSlotLimit = 255;

// Copies a table chunk (00 cmd len off-lo off-hi, then len bytes); false
// when it does not fit the table.
bool CopyChunk(std::vector<uint8_t>& table, const uint8_t* report) {
    const size_t len = report[2];
    const size_t offset = report[3] | (static_cast<size_t>(report[4]) << 8);
    if (len > kMaxChunk || offset + len > table.size()) return false;
    std::copy_n(report + kHeader, len, table.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

}  // namespace

void SimFirmwareFirst::OnOutputReport(SimBoardState& state, int interfaceNumber, const uint8_t* data, size_t length) {
    if (length < kOutputReportSize || data[0] != kOutputReportId) return Reject(state);
    const bool control = interfaceNumber == m_controlInterface;
    const uint8_t command = data[1];
    if (control) {
        // The control interface carries the colour stream only.
        if (command != kFrame || !CopyChunk(m_data->streamFrame, data)) return Reject(state);
        return Changed(state);
    }
    switch (command) {
        case kMacro: return OnMacroChunk(state, data);
        case kKeyTable:
            if (!CopyChunk(m_data->keyTable, data)) return Reject(state);
            return Changed(state);
        case kColours:
            if (!CopyChunk(m_data->colourTable, data)) return Reject(state);
            return Changed(state);
        case kMode:
            m_data->lightFirstMode = data[3];
            return Changed(state);
        case kParams:
            m_data->lightFirstParams.assign(data + 3, data + 8);
            return Changed(state);
        case kStream:
            if (data[2] != kStreamArg1 || data[3] != kStreamArg2) return Reject(state);
            ++m_data->streamStarts;
            return Changed(state);
        case kReset:
            if (!std::equal(kResetArgs, kResetArgs + 3, data + 2)) return Reject(state);
            m_data->ClearSettings();
            ++m_data->resets;
            return Changed(state);
        default: return Reject(state);
    }
}

void SimFirmwareFirst::OnMacroChunk(SimBoardState& state, const uint8_t* report) {
    const size_t len = report[2];
    const size_t offset = report[3] | (static_cast<size_t>(report[4]) << 8);
    const int slot = report[5];
    // A chunk carries up to 59 bytes of the block; the whole payload is
    // kept, since a chunk's declared length can be shorter than its data.
    if (len > kMaxChunk || offset >= kSimUserMacroBlockSize || slot > kMacroSlotLimit) return Reject(state);
    std::vector<uint8_t>& block = m_data->userMacros[slot];
    if (offset == 0) block.assign(kSimUserMacroBlockSize, 0);
    if (block.size() != kSimUserMacroBlockSize) {
        // A continuation without its start.
        m_data->userMacros.erase(slot);
        return Reject(state);
    }
    const size_t count = std::min(kMacroChunk, kSimUserMacroBlockSize - offset);
    std::copy_n(report + kMacroHeader, count, block.begin() + static_cast<std::ptrdiff_t>(offset));
    Changed(state);
}

void SimFirmwareFirst::OnSetFeature(SimBoardState& state, const uint8_t* data, size_t length) {
    SimFirmware::OnSetFeature(state, data, length);
    if (length < kFeatureReportSize || data[0] != kFeatureReportId) return Reject(state);
    if (data[1] == kCmdFirmwareVersion) return;
    if (data[1] != kCustomArea || data[2] != kCustomArea) return Reject(state);
    m_data->customArea.assign(data + 3, data + 8);
    Changed(state);
}

}  // namespace device::sim
