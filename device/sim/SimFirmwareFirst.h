// SimFirmwareFirst: the first firmware family (device types up to 200) as
// the simulated board runs it: key table, user-macro blocks, colour table
// and lighting written as output reports on the vendor interface, the live
// colour stream on the control interface, the custom-area feature and the
// factory reset.
#pragma once

#include "device/sim/SimFirmwareFamily.h"

namespace device::sim {

class SimFirmwareFirst final : public SimFirmwareFamily {
public:
    // controlInterface: the interface number the colour stream must use.
    SimFirmwareFirst(std::shared_ptr<SimFirmwareData> data, std::string stateKey, int controlInterface)
        : SimFirmwareFamily(std::move(data), std::move(stateKey)), m_controlInterface(controlInterface) {}

    void OnOutputReport(SimBoardState& state, int interfaceNumber, const uint8_t* data, size_t length) override;
    void OnSetFeature(SimBoardState& state, const uint8_t* data, size_t length) override;

private:
    void OnMacroChunk(SimBoardState& state, const uint8_t* report);

    int m_controlInterface = -1;
};

}  // namespace device::sim
