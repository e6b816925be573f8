// The HID access layer: what the device link needs from the system's HID
// stack, one call per operation.
//
// Devices are named by their canonical interface name (see
// HidInterfaceName.h), so the same substring rules ("&MI_03", the
// catalogue's interface patterns) work for every back end. Two
// implementations exist: the hidapi hidraw back end (CreateHidapiBackend)
// and the in-process simulated keyboard (device/sim/).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/base/CString.h"

namespace hid {

// One top-level collection of an enumerated HID interface.
struct DeviceInfo {
    std::string path;  // canonical interface name, the name to open
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t releaseNumber = 0;
    CString productString;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    int interfaceNumber = -1;  // -1 when the bus has no interface numbers
};

// An open interface. Closing is destruction. Calls block until the
// driver completes them; results follow hidapi: bytes moved, -1 on failure.
class Device {
public:
    virtual ~Device() = default;
    // Output report; data[0] is the report id.
    virtual int Write(const uint8_t* data, size_t length) = 0;
    // Set-feature request; data[0] is the report id.
    virtual int SendFeatureReport(const uint8_t* data, size_t length) = 0;
    // Get-feature request; data[0] carries the report id to ask for and
    // receives the reply from byte 0 on.
    virtual int GetFeatureReport(uint8_t* data, size_t length) = 0;
};

class Api {
public:
    virtual ~Api() = default;
    // Prepares the library; false when it cannot be used (retried on the
    // next call).
    virtual bool Init() = 0;
    // Every top-level collection of every HID interface, in system order.
    virtual std::vector<DeviceInfo> Enumerate() = 0;
    // Opens the interface named by an enumerated path; null when that fails
    // (in use, access denied, gone).
    virtual std::unique_ptr<Device> Open(const std::string& path) = 0;
};

// The system's HID stack through hidapi (hidraw on Linux).
std::unique_ptr<Api> CreateHidapiBackend();

}  // namespace hid
