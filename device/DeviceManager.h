// DeviceManager: the process-wide owner of the keyboard link.
//
// Holds the catalogue of supported products, the vendor interfaces opened by
// the last scan, the control interface, the selected device type and the
// cached active handle, and carries every report to the keyboard.
//
// Contents:
//   - catalogue        AddSupportedDevice, IsSupported, DeviceTypeOf, ...
//   - scan             Rescan, CloseAll, SetOpenFlag
//   - opened list      GetOpenedOfSelectedType, FindOpenedDevice,
//                      GetConnectionMode, ActiveDevice
//   - transport        WriteReport, WriteControlReport, WriteReportPadded,
//                      SendFeature, SendFeatureAfterPause, ReadFeatureBlock,
//                      QueryFirmwareVersion
//
// It is used from the controller's worker thread, the UI thread and the
// music callback at once: one mutex is held for each whole operation,
// pauses included, so a rescan never closes a handle in use and the pauses
// stay gaps between reports.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/DeviceReports.h"
#include "platform/Hid.h"
#include "ui/base/CString.h"

namespace device {

// One catalogue line.
struct SupportedDevice {
    int vendorId = 0;
    int productId = 0;
    CString productName;  // empty matches any product string
    int deviceType = 0;
    int connectionMode = 0;
    CString hidInterface;  // pattern for device events
};

// One opened vendor interface, as callers see it (the handle stays inside).
struct OpenedDeviceInfo {
    int index = 0;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string path;  // canonical interface name as enumerated
    CString productString;
    int releaseNumber = 0;
    int deviceType = 0;
    int connectionMode = 0;
    int online = 0;  // 1 when wired
};

class DeviceManager {
public:
    // The process's manager, on the hidapi back end unless SetHidApi chose
    // another.
    static DeviceManager& Instance();

    // A manager on the given HID layer (null: the hidapi back end).
    explicit DeviceManager(std::shared_ptr<hid::Api> api = nullptr);
    ~DeviceManager();
    DeviceManager(const DeviceManager&) = delete;
    DeviceManager& operator=(const DeviceManager&) = delete;

    // Switches the HID layer (e.g. to the simulated keyboard); closes
    // everything first.
    void SetHidApi(std::shared_ptr<hid::Api> api);

    // --- catalogue ---
    void AddSupportedDevice(int vid, int pid, const CString& productName, int deviceType, int connectionMode,
                            const CString& hidInterface);
    void ClearSupportedDevices();
    [[nodiscard]] std::vector<SupportedDevice> SupportedDevices() const;
    [[nodiscard]] bool IsSupported(int vid, int pid, const CString& productString) const;
    [[nodiscard]] int DeviceTypeOf(int vid, int pid) const;
    [[nodiscard]] int ConnectionModeOf(int vid, int pid) const;

    // --- scan ---
    // Enumerates, opens the catalogued vendor interfaces and the control
    // interface, and forgets the active handle.
    void Rescan();
    // Closes every handle and empties the opened list; clears the open flag.
    void CloseAll();
    // Set after a scan; while clear every transport call fails without I/O.
    void SetOpenFlag(bool open);
    [[nodiscard]] bool IsOpen() const;

    // 0 = any. Changing it forgets the active handle.
    void SetSelectedDeviceType(int deviceType);
    [[nodiscard]] int SelectedDeviceType() const;

    // --- opened list ---
    // Copies the opened records of the selected type; false when none.
    bool GetOpenedOfSelectedType(std::vector<OpenedDeviceInfo>& out) const;
    // Index of the first opened record with that vid, pid and connection
    // mode (and product string, when productName is not empty); -1 if none.
    [[nodiscard]] int FindOpenedDevice(int vid, int pid, const CString& productName, int connectionMode) const;
    // Among records of the selected type: 0 if any is wired, else 2 if any
    // is on Bluetooth, else 1 if any is on a receiver, else -1.
    [[nodiscard]] int GetConnectionMode() const;
    // The record whose handle carries the reports (wired, else receiver,
    // else Bluetooth, among the selected type); chosen once and cached.
    bool ActiveDevice(OpenedDeviceInfo* out = nullptr);
    [[nodiscard]] bool HasControlInterface() const;

    // --- transport ---
    // 65 bytes as given (report id first); one retry after 10 ms when
    // nothing was written. True when a write wrote at least one byte.
    bool WriteReport(const OutputReport& report);
    // The same on the control interface; true when the last write
    // succeeded, false with no control interface.
    bool WriteControlReport(const OutputReport& report);
    // Report id 0 then the 64 data bytes; one retry after 32 ms.
    bool WriteReportPadded(const OutputData& data);
    // Set-feature with the 8 bytes; true when the request succeeded.
    bool SendFeature(const FeatureReport& report);
    // Waits 16 ms, then SendFeature.
    bool SendFeatureAfterPause(const FeatureReport& report);
    // Sends the request, then four times: wait 16 ms, get-feature for report
    // id 7, copy its 7 data bytes into the next 7 bytes of block. Bytes of a
    // failed request keep what the caller left there. answered (when given)
    // receives how many of the four requests returned data. True once a
    // handle exists.
    bool ReadFeatureBlock(const FeatureReport& request, FeatureBlock& block, int* answered = nullptr);
    // Asks for the firmware version; true only when a reply with report id
    // 7 was read, version = byte 1 * 256 + byte 2.
    bool QueryFirmwareVersion(int& version);

private:
    struct Opened {
        OpenedDeviceInfo info;
        std::unique_ptr<hid::Device> handle;
    };

    bool EnsureInitLocked();
    hid::Device* ActiveHandleLocked();
    void CloseAllLocked();
    [[nodiscard]] const SupportedDevice* FirstCatalogueLineLocked(int vid, int pid) const;
    [[nodiscard]] bool WriteWithRetryLocked(hid::Device* handle, const uint8_t* data, int retryPauseMs);
    [[nodiscard]] int GetConnectionModeLocked() const;

    mutable std::mutex m_mutex;
    std::shared_ptr<hid::Api> m_api;
    bool m_apiReady = false;
    bool m_open = false;
    std::vector<Opened> m_opened;
    std::vector<SupportedDevice> m_catalogue;
    int m_selectedType = 0;
    hid::Device* m_active = nullptr;  // points into m_opened
    int m_activeIndex = -1;
    std::unique_ptr<hid::Device> m_control;
};

// Sleeps for a protocol pause, to the millisecond as closely as the system
// allows.
void PauseMs(int milliseconds);

}  // namespace device
