#include "device/commands/SecondFamilyReports.h"

#include <algorithm>

namespace device::commands {
namespace {

constexpr uint8_t kImageTag = 1;
constexpr uint8_t kSlotArg = 1;

uint8_t Low(int value) noexcept { return static_cast<uint8_t>(value & 0xFF); }

}  // namespace

MacroImage BuildMacroImage(int slot, int key, int playTimes, const std::vector<MacroEvent>& events) {
    MacroImage image{};
    image[0] = kImageTag;
    image[1] = Low(slot);
    image[2] = Low(key);
    image[3] = Low(playTimes);
    const size_t count = std::min(events.size(), kMacroImageMaxEvents);
    for (size_t i = 0; i < count; ++i) {
        image[kMacroImageHeader + 2 * i] = events[i].code;
        image[kMacroImageHeader + 2 * i + 1] = events[i].timing;
    }
    return image;
}

std::vector<FeatureReport> MacroImageReports(const MacroImage& image) {
    std::vector<FeatureReport> reports(kMacroImageReports);
    for (size_t r = 0; r < kMacroImageReports; ++r) {
        FeatureReport& report = reports[r];
        report.fill(0);
        report[0] = kFeatureReportId;
        report[1] = r == 0 ? kCmdMacroSlotFirst : kCmdMacroSlotNext;
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(r * kMacroImageBytesPerReport),
                    kMacroImageBytesPerReport, report.begin() + 2);
    }
    return reports;
}

FeatureReport RemapSlotReport(int slot, int key, int target) {
    return {kFeatureReportId, kCmdRemapSlot, kSlotArg, Low(slot), Low(key), kSlotArg, Low(target), kSlotArg};
}

FeatureReport SlotTableRequest() { return {kFeatureReportId, kCmdReadSlotTable, kCmdReadSlotTableArg}; }

std::array<uint8_t, 6> LightModeBytes(const LightRecord& record, int optionIndex, bool wired) {
    uint8_t mode = Low(record.mode - 1);
    uint8_t ci = Low(record.colorIndex);
    uint8_t dir = Low(record.direction);
    uint8_t sp = record.speed != 0 ? Low(record.speed - 1) : 0;
    uint8_t br = record.brightness != 0 ? Low(record.brightness - 1) : 0;
    uint8_t opt = (record.configFunc & kConfigFuncOptions) != 0 ? Low(optionIndex) : 0;
    if (record.mode == kSingleColourMode) {
        // The colour, low byte first, takes the direction, speed and option.
        const auto value = static_cast<uint32_t>(record.colorValue);
        dir = static_cast<uint8_t>(value & 0xFF);
        sp = static_cast<uint8_t>((value >> 8) & 0xFF);
        opt = static_cast<uint8_t>((value >> 16) & 0xFF);
    }
    if (wired && record.mode == kRawSpeedMode) {
        ci = Low(record.colorIndex);
        dir = Low(record.direction);
        sp = Low(record.speed);
    }
    return {mode, ci, dir, sp, br, opt};
}

FeatureReport LightModeReport(const LightRecord& record, int optionIndex) {
    FeatureReport report{kFeatureReportId, kCmdLightMode};
    auto bytes = LightModeBytes(record, optionIndex, true);
    std::copy(bytes.begin(), bytes.end(), report.begin() + 2);
    return report;
}

OutputData WirelessLightModeData(const LightRecord& record, int optionIndex) {
    OutputData data{};
    std::copy(kWirelessMagic.begin(), kWirelessMagic.end(), data.begin());
    data[4] = kWirelessLightTag;
    auto bytes = LightModeBytes(record, optionIndex, false);
    std::copy(bytes.begin(), bytes.end(), data.begin() + 5);
    return data;
}

FeatureReport FactoryResetReport() { return {kFeatureReportId, kCmdFactoryReset, kFactoryResetArg}; }

OutputData WirelessFactoryResetData(bool arm) {
    OutputData data{};
    std::copy(kWirelessMagic.begin(), kWirelessMagic.end(), data.begin());
    if (arm) std::fill_n(data.begin() + 4, kWirelessResetBytes, kWirelessResetByte);
    return data;
}

FeatureReport MusicLevelReport(int musicMode, int level) {
    return {kFeatureReportId, kMusicLevelMagic[0], kMusicLevelMagic[1], kMusicLevelMagic[2], kMusicLevelMagic[3],
            Low(musicMode), 0, Low(level)};
}

}  // namespace device::commands
