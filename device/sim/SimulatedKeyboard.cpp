#include "device/sim/SimulatedKeyboard.h"

#include <cstdio>

#include "device/DeviceReports.h"
#include "platform/HidInterfaceName.h"

namespace device::sim {

SimulatedKeyboard::SimulatedKeyboard(SimBoardSpec boardSpec, int firstHidNumber) : m_spec(std::move(boardSpec)) {
    m_state.firmwareVersion = m_spec.firmwareVersion;
    auto sysfsId = [&](uint16_t bus, int number) {
        char id[32];
        std::snprintf(id, sizeof id, "%04X:%04X:%04X.%04X", bus, m_spec.vendorId, m_spec.productId,
                      static_cast<unsigned>(number) & 0xFFFF);
        return std::string(id);
    };
    if (m_spec.mode == kConnBluetooth) {
        // One HID device carries every collection of a Bluetooth board.
        hid::InterfaceIdentity identity{hid::kBusBluetooth, m_spec.vendorId, m_spec.productId, -1,
                                        sysfsId(hid::kBusBluetooth, firstHidNumber)};
        std::string path = hid::BuildInterfaceName(identity);
        for (const SimInterfaceSpec& iface : m_spec.interfaces) m_interfaces.push_back({iface, path});
        m_hidNumbersUsed = 1;
    } else {
        // A USB board has one HID device per interface.
        int number = firstHidNumber;
        for (const SimInterfaceSpec& iface : m_spec.interfaces) {
            hid::InterfaceIdentity identity{hid::kBusUsb, m_spec.vendorId, m_spec.productId, iface.number,
                                            sysfsId(hid::kBusUsb, number++)};
            m_interfaces.push_back({iface, hid::BuildInterfaceName(identity)});
        }
        m_hidNumbersUsed = number - firstHidNumber;
    }
}

void SimulatedKeyboard::SetFirmwareVersion(uint16_t version) {
    std::lock_guard lock(m_mutex);
    m_state.firmwareVersion = version;
}

void SimulatedKeyboard::SetSlotTable(const FeatureBlock& table) {
    std::lock_guard lock(m_mutex);
    m_state.slotTable = table;
}

FeatureBlock SimulatedKeyboard::SlotTable() const {
    std::lock_guard lock(m_mutex);
    return m_state.slotTable;
}

void SimulatedKeyboard::SetFirmware(std::unique_ptr<SimFirmware> firmware) {
    std::lock_guard lock(m_mutex);
    m_firmware = firmware ? std::move(firmware) : std::make_unique<SimFirmware>();
}

void SimulatedKeyboard::WithState(const std::function<void(SimBoardState&)>& f) {
    std::lock_guard lock(m_mutex);
    f(m_state);
}

void SimulatedKeyboard::SetResponsive(bool responsive) {
    std::lock_guard lock(m_mutex);
    m_responsive = responsive;
}

void SimulatedKeyboard::AnswerFeatureGets(int count) {
    std::lock_guard lock(m_mutex);
    m_getsLeft = count;
}

void SimulatedKeyboard::SetRequestFilter(std::function<bool(const SimReport&)> filter) {
    std::lock_guard lock(m_mutex);
    m_filter = std::move(filter);
}

void SimulatedKeyboard::VanishAfterReports(int count) {
    std::lock_guard lock(m_mutex);
    m_reportsBeforeVanish = count;
}

std::vector<SimReport> SimulatedKeyboard::Log() const {
    std::lock_guard lock(m_mutex);
    return m_log;
}

void SimulatedKeyboard::ClearLog() {
    std::lock_guard lock(m_mutex);
    m_log.clear();
}

bool SimulatedKeyboard::IsPlugged() const {
    std::lock_guard lock(m_mutex);
    return m_plugged;
}

void SimulatedKeyboard::SetPlugged(bool plugged) {
    std::lock_guard lock(m_mutex);
    m_plugged = plugged;
}

void SimulatedKeyboard::SetVanishHandler(std::function<void()> handler) {
    std::lock_guard lock(m_mutex);
    m_vanishHandler = std::move(handler);
}

bool SimulatedKeyboard::AdmitLocked(const SimReport& request, bool& vanishNow) {
    vanishNow = false;
    if (m_reportsBeforeVanish == 0) {
        m_reportsBeforeVanish = -1;
        m_plugged = false;
        vanishNow = true;
        return false;
    }
    if (m_reportsBeforeVanish > 0) --m_reportsBeforeVanish;
    if (!m_responsive) return false;
    if (request.kind == SimReportKind::FeatureGet && m_getsLeft >= 0) {
        if (m_getsLeft == 0) return false;
        --m_getsLeft;
    }
    return !m_filter || m_filter(request);
}

void SimulatedKeyboard::Finish(bool vanishNow) {
    if (!vanishNow) return;
    std::function<void()> handler;
    {
        std::lock_guard lock(m_mutex);
        handler = m_vanishHandler;
    }
    if (handler) handler();
}

int SimulatedKeyboard::Write(int interfaceNumber, const uint8_t* data, size_t length) {
    bool vanishNow = false;
    int result = -1;
    {
        std::lock_guard lock(m_mutex);
        if (!m_plugged) return -1;
        SimReport report{interfaceNumber, SimReportKind::Output, std::vector<uint8_t>(data, data + length), true,
                         std::chrono::steady_clock::now()};
        report.ok = AdmitLocked(report, vanishNow);
        if (report.ok) {
            m_firmware->OnOutputReport(m_state, interfaceNumber, data, length);
            result = static_cast<int>(length);
        }
        m_log.push_back(std::move(report));
    }
    Finish(vanishNow);
    return result;
}

int SimulatedKeyboard::SendFeatureReport(int interfaceNumber, const uint8_t* data, size_t length) {
    bool vanishNow = false;
    int result = -1;
    {
        std::lock_guard lock(m_mutex);
        if (!m_plugged) return -1;
        SimReport report{interfaceNumber, SimReportKind::FeatureSet, std::vector<uint8_t>(data, data + length), true,
                         std::chrono::steady_clock::now()};
        report.ok = AdmitLocked(report, vanishNow);
        if (report.ok) {
            m_firmware->OnSetFeature(m_state, data, length);
            result = static_cast<int>(length);
        }
        m_log.push_back(std::move(report));
    }
    Finish(vanishNow);
    return result;
}

int SimulatedKeyboard::GetFeatureReport(int interfaceNumber, uint8_t* data, size_t length) {
    bool vanishNow = false;
    int result = -1;
    {
        std::lock_guard lock(m_mutex);
        if (!m_plugged) return -1;
        SimReport report{interfaceNumber, SimReportKind::FeatureGet, std::vector<uint8_t>(data, data + length), true,
                         std::chrono::steady_clock::now()};
        report.ok = AdmitLocked(report, vanishNow);
        if (report.ok) {
            result = m_firmware->OnGetFeature(m_state, data, length);
            report.ok = result > 0;
            report.bytes.assign(data, data + length);
        }
        m_log.push_back(std::move(report));
    }
    Finish(vanishNow);
    return result;
}

}  // namespace device::sim
