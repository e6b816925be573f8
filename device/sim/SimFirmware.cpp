#include "device/sim/SimFirmware.h"

#include <cstring>

namespace device::sim {

void SimFirmware::OnOutputReport(SimBoardState&, int, const uint8_t*, size_t) {}

void SimFirmware::OnSetFeature(SimBoardState& state, const uint8_t* data, size_t length) {
    state.pending = SimBoardState::Pending::None;
    if (length < 2 || data[0] != kFeatureReportId) return;
    if (data[1] == kCmdFirmwareVersion) {
        state.pending = SimBoardState::Pending::Version;
    } else if (data[1] == kCmdReadSlotTable) {
        state.pending = SimBoardState::Pending::SlotTable;
        state.nextChunk = 0;
    }
}

int SimFirmware::OnGetFeature(SimBoardState& state, uint8_t* data, size_t length) {
    if (length < kFeatureReportSize) return -1;
    uint8_t reply[kFeatureReportSize] = {kFeatureReportId};
    switch (state.pending) {
        case SimBoardState::Pending::Version:
            reply[1] = static_cast<uint8_t>(state.firmwareVersion >> 8);
            reply[2] = static_cast<uint8_t>(state.firmwareVersion & 0xFF);
            state.pending = SimBoardState::Pending::None;
            break;
        case SimBoardState::Pending::SlotTable:
            std::memcpy(reply + 1, state.slotTable.data() + state.nextChunk * kFeatureChunkSize, kFeatureChunkSize);
            if (++state.nextChunk >= kFeatureBlockChunks) state.pending = SimBoardState::Pending::None;
            break;
        case SimBoardState::Pending::None:
            break;
    }
    std::memcpy(data, reply, sizeof reply);
    return static_cast<int>(sizeof reply);
}

}  // namespace device::sim
