#include "device/sim/SimFirmwareFamily.h"

namespace device::sim {

void SimFirmwareFamily::Reject(SimBoardState& state) {
    ++m_data->rejectedReports;
    Changed(state);
}

void SimFirmwareFamily::Changed(SimBoardState& state) {
    // The registry's document always follows the boards (sim-state prints
    // it); the file is rewritten only when one is in use.
    SimStateRegistry::Instance().Update(m_stateKey, BoardToJson(*m_data, state.firmwareVersion, state.slotTable));
}

}  // namespace device::sim
