// SimFirmwareFamily: what the two firmware families' simulations share:
// the decoded state, the count of refused reports and the saving of the
// state after each change.
#pragma once

#include <memory>
#include <string>

#include "device/sim/SimFirmware.h"
#include "device/sim/SimState.h"

namespace device::sim {

class SimFirmwareFamily : public SimFirmware {
public:
    SimFirmwareFamily(std::shared_ptr<SimFirmwareData> data, std::string stateKey)
        : m_data(std::move(data)), m_stateKey(std::move(stateKey)) {}

protected:
    // A report the firmware cannot use: counted and otherwise ignored.
    void Reject(SimBoardState& state);
    // Records the board's state in the registry (and its file, if any).
    void Changed(SimBoardState& state);

    std::shared_ptr<SimFirmwareData> m_data;
    std::string m_stateKey;
};

}  // namespace device::sim
