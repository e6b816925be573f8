// The firmware of a simulated board: what it does with the reports it
// receives and what it answers to get-feature requests.
//
// The base answers what the host reads back from every board: the firmware
// version (command FD) and the 28-byte slot table (command FB, four replies
// of 7 bytes). Each firmware family's command decoding derives from it and
// changes the board state as the real firmware would.
#pragma once

#include <cstddef>
#include <cstdint>

#include "device/DeviceReports.h"

namespace device::sim {

// What a board keeps between reports.
struct SimBoardState {
    uint16_t firmwareVersion = 0;
    FeatureBlock slotTable{};  // byte 0 unused, 1-13 macro slots, 14-23 remap slots
    enum class Pending { None, Version, SlotTable } pending = Pending::None;
    int nextChunk = 0;  // next 7-byte chunk of the slot table to answer
};

class SimFirmware {
public:
    virtual ~SimFirmware() = default;
    // An output report on an interface (-1 when the bus has no numbers).
    virtual void OnOutputReport(SimBoardState& state, int interfaceNumber, const uint8_t* data, size_t length);
    // A set-feature request.
    virtual void OnSetFeature(SimBoardState& state, const uint8_t* data, size_t length);
    // A get-feature request: fill data (data[0] holds the report id asked
    // for) and return the bytes answered.
    virtual int OnGetFeature(SimBoardState& state, uint8_t* data, size_t length);
};

}  // namespace device::sim
