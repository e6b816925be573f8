// Choosing the HID layer at start: the system's (hidapi) or the simulated
// keyboard, optionally traced.
//
//   --simulate MODEL[:receiver|:bluetooth][,...] | --simulate=... | TASTRA_SIMULATE
//   --hid-trace FILE | --hid-trace=FILE | TASTRA_HID_TRACE
//
// An option wins over its variable.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "device/HidTrace.h"
#include "device/sim/SimulatedHid.h"
#include "platform/Hid.h"
#include "platform/Hotplug.h"

namespace device {

struct DeviceLinkOptions {
    bool simulate = false;
    std::string simulateList;
    bool trace = false;
    std::string traceFile;
    std::string error;  // a malformed option (missing value)
};

// args without the program name; the variables may be null.
[[nodiscard]] DeviceLinkOptions ReadDeviceLinkOptions(const std::vector<std::string>& args, const char* simulateEnv,
                                                      const char* traceEnv);

struct DeviceLink {
    std::shared_ptr<hid::Api> api;                 // what the DeviceManager uses
    std::shared_ptr<sim::SimulatedHid> simulated;  // the simulated boards, when asked for
    std::shared_ptr<hotplug::Monitor> monitor;     // the event source to start
    std::shared_ptr<HidTraceWriter> trace;
};

// Builds the link. False with a one-line message for a list the simulator
// cannot use (the program then ends with sim::kExitBadSimulateList). A trace
// file that cannot be opened leaves a warning in warning and no trace.
bool BuildDeviceLink(const DeviceLinkOptions& options, DeviceLink& link, std::string& error, std::string& warning);

class DeviceManager;

// What a program's main calls: builds the link from the options, hands its
// HID layer to the manager, prints a warning or the error as one line on
// err, and returns 0, or sim::kExitBadSimulateList when the program must end.
int InstallDeviceLink(const DeviceLinkOptions& options, DeviceManager& manager, DeviceLink& link, std::FILE* err);

}  // namespace device
