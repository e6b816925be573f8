// The boards the simulated keyboard can stand in for, and the --simulate
// list that picks them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/base/CString.h"

namespace device::sim {

// One HID interface of a board (for Bluetooth all collections share one
// HID device and have no interface number).
struct SimInterfaceSpec {
    int number = -1;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
};

// One model on one connection mode, as a real board shows itself.
struct SimBoardSpec {
    std::string deviceInfo;  // catalogue device_info: k104, k87, k68
    int mode = 0;            // 0 wired, 1 receiver, 2 Bluetooth
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    CString productString;
    int deviceType = 0;
    uint16_t releaseNumber = 0;
    uint16_t firmwareVersion = 0;
    std::vector<SimInterfaceSpec> interfaces;
};

// Every model on every mode it has, in catalogue order.
[[nodiscard]] const std::vector<SimBoardSpec>& SimBoardTable();

// The exit code of a program given a list it cannot use.
inline constexpr int kExitBadSimulateList = 2;

// Parses "MODEL[:receiver|:bluetooth][,...]" or "all". MODEL is a
// device_info (case-sensitive) and means its wired board. False, with a
// one-line message in error, for an unknown model or mode or an empty list.
bool ParseSimulateList(std::string_view text, std::vector<SimBoardSpec>& boards, std::string& error);

}  // namespace device::sim
