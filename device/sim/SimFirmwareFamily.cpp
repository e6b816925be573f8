#include "device/sim/SimFirmwareFamily.h"

namespace device::sim {

void SimFirmwareFamily::Reject(SimBoardState& state) {
    ++m_data->rejectedReports;
    Changed(state);
}

void SimFirmwareFamily::Changed(SimBoardState& state) {
    SimStateRegistry& registry = SimStateRegistry::Instance();
    if (registry.File().empty()) return;
    registry.Update(m_stateKey, BoardToJson(*m_data, state.firmwareVersion, state.slotTable));
}

}  // namespace device::sim
