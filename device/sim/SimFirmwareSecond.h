// SimFirmwareSecond: the second firmware family (device types 201-299) as
// the simulated board runs it: remap and macro slots written by wired
// feature reports (read back by FB), lighting, music level and factory
// reset, wired and over the receiver or Bluetooth.
#pragma once

#include <array>

#include "device/sim/SimFirmwareFamily.h"

namespace device::sim {

class SimFirmwareSecond final : public SimFirmwareFamily {
public:
    using SimFirmwareFamily::SimFirmwareFamily;

    void OnOutputReport(SimBoardState& state, int interfaceNumber, const uint8_t* data, size_t length) override;
    void OnSetFeature(SimBoardState& state, const uint8_t* data, size_t length) override;

private:
    void FinishMacroUpload(SimBoardState& state);

    // A macro image in transit: 28 reports of 6 bytes.
    bool m_uploading = false;
    int m_uploadReports = 0;
    std::array<uint8_t, 168> m_image{};
    bool m_wirelessResetArmed = false;
};

}  // namespace device::sim
