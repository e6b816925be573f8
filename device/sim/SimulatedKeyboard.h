// One simulated board: its HID interfaces, its firmware state, a log of
// every report it received, and the faults a test can give it.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/sim/SimBoardTable.h"
#include "device/sim/SimFirmware.h"

namespace device::sim {

enum class SimReportKind { Output, FeatureSet, FeatureGet };

// One exchange as the board saw it.
struct SimReport {
    int interfaceNumber = -1;
    SimReportKind kind = SimReportKind::Output;
    std::vector<uint8_t> bytes;  // as sent; for a get, as answered (or as it was, when it failed)
    bool ok = true;
    std::chrono::steady_clock::time_point time;
};

class SimulatedKeyboard {
public:
    struct Interface {
        SimInterfaceSpec description;
        std::string path;  // canonical interface name
    };

    // firstHidNumber numbers the board's HID devices in their sysfs ids.
    SimulatedKeyboard(SimBoardSpec boardSpec, int firstHidNumber);
    SimulatedKeyboard(const SimulatedKeyboard&) = delete;
    SimulatedKeyboard& operator=(const SimulatedKeyboard&) = delete;

    [[nodiscard]] const SimBoardSpec& Description() const noexcept { return m_spec; }
    [[nodiscard]] const std::vector<Interface>& Interfaces() const noexcept { return m_interfaces; }
    // How many HID device numbers the board used.
    [[nodiscard]] int HidNumbersUsed() const noexcept { return m_hidNumbersUsed; }

    // --- firmware state ---
    void SetFirmwareVersion(uint16_t version);
    void SetSlotTable(const FeatureBlock& table);
    [[nodiscard]] FeatureBlock SlotTable() const;
    // Replaces the command decoding (the base answers FD and FB only).
    void SetFirmware(std::unique_ptr<SimFirmware> firmware);
    // Runs f on the state with the board locked.
    void WithState(const std::function<void(SimBoardState&)>& f);

    // --- faults ---
    // A board that stops answering fails every request.
    void SetResponsive(bool responsive);
    // Only the next count get-feature requests answer (-1: all).
    void AnswerFeatureGets(int count);
    // Decides per request whether it succeeds (null: all do).
    void SetRequestFilter(std::function<bool(const SimReport& request)> filter);
    // The board disappears after count more reports (the next one fails).
    void VanishAfterReports(int count);

    // --- log ---
    [[nodiscard]] std::vector<SimReport> Log() const;
    void ClearLog();

    // --- plugging (driven by SimulatedHid) ---
    [[nodiscard]] bool IsPlugged() const;
    void SetPlugged(bool plugged);
    void SetVanishHandler(std::function<void()> handler);

    // --- the HID calls of the board's handles ---
    int Write(int interfaceNumber, const uint8_t* data, size_t length);
    int SendFeatureReport(int interfaceNumber, const uint8_t* data, size_t length);
    int GetFeatureReport(int interfaceNumber, uint8_t* data, size_t length);

private:
    // Checks plug state, faults and vanishing; false when the request fails.
    // vanishNow is set when this request makes the board disappear.
    bool AdmitLocked(const SimReport& request, bool& vanishNow);
    void Finish(bool vanishNow);

    const SimBoardSpec m_spec;
    std::vector<Interface> m_interfaces;
    int m_hidNumbersUsed = 0;

    mutable std::mutex m_mutex;
    SimBoardState m_state;
    std::unique_ptr<SimFirmware> m_firmware = std::make_unique<SimFirmware>();
    bool m_plugged = true;
    bool m_responsive = true;
    int m_getsLeft = -1;
    int m_reportsBeforeVanish = -1;
    std::function<bool(const SimReport&)> m_filter;
    std::function<void()> m_vanishHandler;
    std::vector<SimReport> m_log;
};

}  // namespace device::sim
