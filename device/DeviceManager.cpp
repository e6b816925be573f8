#include "device/DeviceManager.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/HidInterfaceName.h"

namespace device {

void PauseMs(int milliseconds) {
    if (milliseconds <= 0) return;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    std::this_thread::sleep_until(deadline);
}

DeviceManager& DeviceManager::Instance() {
    static DeviceManager manager;
    return manager;
}

DeviceManager::DeviceManager(std::shared_ptr<hid::Api> api)
    : m_api(api ? std::move(api) : std::shared_ptr<hid::Api>(hid::CreateHidapiBackend())) {
    std::lock_guard lock(m_mutex);
    EnsureInitLocked();
}

DeviceManager::~DeviceManager() {
    std::lock_guard lock(m_mutex);
    CloseAllLocked();
}

void DeviceManager::SetHidApi(std::shared_ptr<hid::Api> api) {
    std::lock_guard lock(m_mutex);
    CloseAllLocked();
    m_api = api ? std::move(api) : std::shared_ptr<hid::Api>(hid::CreateHidapiBackend());
    m_apiReady = false;
    EnsureInitLocked();
}

bool DeviceManager::EnsureInitLocked() {
    // A library that failed to start is tried again on every later use.
    if (!m_apiReady) m_apiReady = m_api->Init();
    return m_apiReady;
}

// --- catalogue ---

void DeviceManager::AddSupportedDevice(int vid, int pid, const CString& productName, int deviceType, int connectionMode,
                                       const CString& hidInterface) {
    std::lock_guard lock(m_mutex);
    m_catalogue.push_back({vid, pid, productName, deviceType, connectionMode, hidInterface});
}

void DeviceManager::ClearSupportedDevices() {
    std::lock_guard lock(m_mutex);
    m_catalogue.clear();
}

std::vector<SupportedDevice> DeviceManager::SupportedDevices() const {
    std::lock_guard lock(m_mutex);
    return m_catalogue;
}

bool DeviceManager::IsSupported(int vid, int pid, const CString& productString) const {
    std::lock_guard lock(m_mutex);
    for (const SupportedDevice& line : m_catalogue)
        if (line.vendorId == vid && line.productId == pid &&
            (line.productName.IsEmpty() || line.productName == productString))
            return true;
    return false;
}

const SupportedDevice* DeviceManager::FirstCatalogueLineLocked(int vid, int pid) const {
    for (const SupportedDevice& line : m_catalogue)
        if (line.vendorId == vid && line.productId == pid) return &line;
    return nullptr;
}

int DeviceManager::DeviceTypeOf(int vid, int pid) const {
    std::lock_guard lock(m_mutex);
    const SupportedDevice* line = FirstCatalogueLineLocked(vid, pid);
    return line ? line->deviceType : 0;
}

int DeviceManager::ConnectionModeOf(int vid, int pid) const {
    std::lock_guard lock(m_mutex);
    const SupportedDevice* line = FirstCatalogueLineLocked(vid, pid);
    return line ? line->connectionMode : 0;
}

// --- scan ---

void DeviceManager::Rescan() {
    std::lock_guard lock(m_mutex);
    m_active = nullptr;
    m_activeIndex = -1;
    if (!EnsureInitLocked()) return;
    for (const hid::DeviceInfo& info : m_api->Enumerate()) {
        bool supported = false;
        for (const SupportedDevice& line : m_catalogue)
            if (line.vendorId == info.vendorId && line.productId == info.productId &&
                (line.productName.IsEmpty() || line.productName == info.productString)) {
                supported = true;
                break;
            }
        if (!supported) continue;
        // A path that does not fit the record is skipped, never cut short.
        if (info.path.empty() || info.path.size() > kMaxDevicePathLength) continue;
        std::unique_ptr<hid::Device> handle = m_api->Open(info.path);
        if (!handle) continue;
        if (info.usagePage != kVendorUsagePage || info.usage != kVendorUsage) continue;  // closed here
        if (hid::IsControlInterfaceName(info.path)) {
            m_control = std::move(handle);  // a previous control handle is closed
            continue;
        }
        const SupportedDevice* line = FirstCatalogueLineLocked(info.vendorId, info.productId);
        Opened opened;
        opened.info.index = static_cast<int>(m_opened.size());
        opened.info.vendorId = info.vendorId;
        opened.info.productId = info.productId;
        opened.info.path = info.path;
        opened.info.productString = info.productString;
        opened.info.releaseNumber = info.releaseNumber;
        opened.info.deviceType = line ? line->deviceType : 0;
        opened.info.connectionMode = line ? line->connectionMode : 0;
        opened.info.online = opened.info.connectionMode == kConnWired ? 1 : 0;
        opened.handle = std::move(handle);
        m_opened.push_back(std::move(opened));
    }
}

void DeviceManager::CloseAllLocked() {
    m_open = false;
    m_active = nullptr;
    m_activeIndex = -1;
    m_opened.clear();
    m_control.reset();
}

void DeviceManager::CloseAll() {
    std::lock_guard lock(m_mutex);
    CloseAllLocked();
}

void DeviceManager::SetOpenFlag(bool open) {
    std::lock_guard lock(m_mutex);
    m_open = open;
}

bool DeviceManager::IsOpen() const {
    std::lock_guard lock(m_mutex);
    return m_open;
}

void DeviceManager::SetSelectedDeviceType(int deviceType) {
    std::lock_guard lock(m_mutex);
    if (deviceType == m_selectedType) return;
    m_selectedType = deviceType;
    m_active = nullptr;
    m_activeIndex = -1;
}

int DeviceManager::SelectedDeviceType() const {
    std::lock_guard lock(m_mutex);
    return m_selectedType;
}

// --- opened list ---

bool DeviceManager::GetOpenedOfSelectedType(std::vector<OpenedDeviceInfo>& out) const {
    std::lock_guard lock(m_mutex);
    out.clear();
    for (const Opened& opened : m_opened)
        if (m_selectedType == 0 || opened.info.deviceType == m_selectedType) out.push_back(opened.info);
    return !out.empty();
}

int DeviceManager::FindOpenedDevice(int vid, int pid, const CString& productName, int connectionMode) const {
    std::lock_guard lock(m_mutex);
    for (const Opened& opened : m_opened) {
        const OpenedDeviceInfo& info = opened.info;
        if (info.vendorId != vid || info.productId != pid || info.connectionMode != connectionMode) continue;
        // The first record with these ids decides; a different product
        // string there means no match.
        if (!productName.IsEmpty() && info.productString != productName) return -1;
        return info.index;
    }
    return -1;
}

int DeviceManager::GetConnectionModeLocked() const {
    bool wired = false, receiver = false, bluetooth = false;
    for (const Opened& opened : m_opened) {
        if (m_selectedType != 0 && opened.info.deviceType != m_selectedType) continue;
        wired |= opened.info.connectionMode == kConnWired;
        receiver |= opened.info.connectionMode == kConnReceiver;
        bluetooth |= opened.info.connectionMode == kConnBluetooth;
    }
    if (wired) return kConnWired;
    if (bluetooth) return kConnBluetooth;
    if (receiver) return kConnReceiver;
    return kConnNone;
}

int DeviceManager::GetConnectionMode() const {
    std::lock_guard lock(m_mutex);
    return GetConnectionModeLocked();
}

hid::Device* DeviceManager::ActiveHandleLocked() {
    if (m_active) return m_active;
    // Wired first, then receiver, then Bluetooth.
    for (int mode : {kConnWired, kConnReceiver, kConnBluetooth}) {
        for (size_t i = 0; i < m_opened.size(); ++i) {
            const Opened& opened = m_opened[i];
            if (m_selectedType != 0 && opened.info.deviceType != m_selectedType) continue;
            if (opened.info.connectionMode != mode || !opened.handle) continue;
            m_active = opened.handle.get();
            m_activeIndex = static_cast<int>(i);
            return m_active;
        }
    }
    return nullptr;
}

bool DeviceManager::ActiveDevice(OpenedDeviceInfo* out) {
    std::lock_guard lock(m_mutex);
    if (!ActiveHandleLocked()) return false;
    if (out) *out = m_opened[static_cast<size_t>(m_activeIndex)].info;
    return true;
}

bool DeviceManager::HasControlInterface() const {
    std::lock_guard lock(m_mutex);
    return m_control != nullptr;
}

// --- transport ---

bool DeviceManager::WriteWithRetryLocked(hid::Device* handle, const uint8_t* data, int retryPauseMs) {
    if (handle->Write(data, kOutputReportSize) >= 1) return true;
    PauseMs(retryPauseMs);
    return handle->Write(data, kOutputReportSize) >= 1;
}

bool DeviceManager::WriteReport(const OutputReport& report) {
    std::lock_guard lock(m_mutex);
    hid::Device* handle = m_open ? ActiveHandleLocked() : nullptr;
    if (!handle) return false;
    return WriteWithRetryLocked(handle, report.data(), kPauseBeforeWriteRetryMs);
}

bool DeviceManager::WriteControlReport(const OutputReport& report) {
    std::lock_guard lock(m_mutex);
    if (!m_open || !m_control) return false;
    return WriteWithRetryLocked(m_control.get(), report.data(), kPauseBeforeWriteRetryMs);
}

bool DeviceManager::WriteReportPadded(const OutputData& data) {
    std::lock_guard lock(m_mutex);
    hid::Device* handle = m_open ? ActiveHandleLocked() : nullptr;
    if (!handle) return false;
    OutputReport report{};
    report[0] = kOutputReportId;
    std::memcpy(report.data() + 1, data.data(), data.size());
    return WriteWithRetryLocked(handle, report.data(), kPauseBeforePaddedRetryMs);
}

bool DeviceManager::SendFeature(const FeatureReport& report) {
    std::lock_guard lock(m_mutex);
    hid::Device* handle = m_open ? ActiveHandleLocked() : nullptr;
    if (!handle) return false;
    return handle->SendFeatureReport(report.data(), report.size()) > 0;
}

bool DeviceManager::SendFeatureAfterPause(const FeatureReport& report) {
    std::lock_guard lock(m_mutex);
    hid::Device* handle = m_open ? ActiveHandleLocked() : nullptr;
    if (!handle) return false;
    PauseMs(kPauseBeforeFeatureMs);
    return handle->SendFeatureReport(report.data(), report.size()) > 0;
}

bool DeviceManager::ReadFeatureBlock(const FeatureReport& request, FeatureBlock& block, int* answered) {
    if (answered) *answered = 0;
    std::lock_guard lock(m_mutex);
    hid::Device* handle = m_open ? ActiveHandleLocked() : nullptr;
    if (!handle) return false;
    // The request's outcome does not stop the read-back.
    (void)handle->SendFeatureReport(request.data(), request.size());
    int count = 0;
    for (int chunk = 0; chunk < kFeatureBlockChunks; ++chunk) {
        PauseMs(kPauseBeforeFeatureMs);
        FeatureReport reply{};
        reply[0] = kFeatureReportId;
        reply[1] = kCmdReadSlotTable;
        reply[2] = kCmdReadSlotTableArg;
        if (handle->GetFeatureReport(reply.data(), reply.size()) <= 0) continue;
        std::memcpy(block.data() + chunk * kFeatureChunkSize, reply.data() + 1, kFeatureChunkSize);
        ++count;
    }
    if (answered) *answered = count;
    return true;
}

bool DeviceManager::QueryFirmwareVersion(int& version) {
    std::lock_guard lock(m_mutex);
    hid::Device* handle = m_open ? ActiveHandleLocked() : nullptr;
    if (!handle) return false;
    PauseMs(kPauseBeforeFeatureMs);
    FeatureReport request{kFeatureReportId, kCmdFirmwareVersion};
    if (handle->SendFeatureReport(request.data(), request.size()) <= 0) return false;
    FeatureReport reply{};
    for (int attempt = 0; attempt < 2; ++attempt) {
        PauseMs(kPauseBeforeFeatureMs);
        reply.fill(0);
        reply[0] = kFeatureReportId;
        int got = handle->GetFeatureReport(reply.data(), reply.size());
        if (got >= 3 && reply[0] == kFeatureReportId) {
            version = reply[1] * 256 + reply[2];
            return true;
        }
    }
    // No reply from the board: not a version, however the request went.
    return false;
}

}  // namespace device
