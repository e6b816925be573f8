#include "device/commands/FirstFamilyReports.h"

#include <algorithm>

#include "device/commands/ShortcutPresets.h"
#include "device/commands/SecondFamilyReports.h"
#include "model/KeyboardDefinition.h"

namespace device::commands {
namespace {

constexpr int kTypeDisabled = 1, kTypeRemap = 2, kTypeMacro = 3, kTypePreset = 7;
constexpr int kStepPress = 2, kStepRelease = 3;
constexpr size_t kPresetFallbackEvents = 4;
constexpr uint8_t kShortcutPlayTimes = 1;

uint8_t Low(int value) noexcept { return static_cast<uint8_t>(value & 0xFF); }

OutputReport ChunkReport(uint8_t command, size_t length, size_t offset) {
    OutputReport report{};
    report[0] = kOutputReportId;
    report[1] = command;
    report[2] = static_cast<uint8_t>(length);
    report[3] = static_cast<uint8_t>(offset & 0xFF);
    report[4] = static_cast<uint8_t>(offset >> 8);
    return report;
}

// Reports of len = chunk except the last; offset = chunk x i.
template <size_t N>
std::vector<OutputReport> TableReports(uint8_t command, const std::array<uint8_t, N>& table, size_t used,
                                       size_t reports) {
    std::vector<OutputReport> list;
    for (size_t i = 0; i < reports; ++i) {
        const size_t offset = kTableChunk * i;
        const size_t length = std::min(kTableChunk, used - offset);
        OutputReport report = ChunkReport(command, length, offset);
        std::copy_n(table.begin() + static_cast<std::ptrdiff_t>(offset), length, report.begin() + 5);
        list.push_back(report);
    }
    return list;
}

}  // namespace

KeyTableImage BuildKeyTable(const std::vector<KeyAssignmentRecord>& list, const KeyboardDefinition& definition,
                            const std::map<int, int>& slots) {
    KeyTableImage table{};
    for (const KeyAssignmentRecord& record : list) {
        const int index = definition.KeyIndexOf(record.keyCode);
        if (index < 0 || index >= kKeyIndexLimit) continue;
        uint8_t first = 0, second = 0;
        if (record.macroType == kTypeRemap) {
            first = Low(record.macroValue);
            second = kKeyRemapFlag;
        } else if (record.macroType == kTypeDisabled) {
            second = kKeyRemapFlag;
        } else if (record.macroType == kTypeMacro || record.macroType == kTypePreset) {
            auto slot = slots.find(record.keyCode);
            if (slot != slots.end()) {
                first = Low(slot->second);
                second = kKeyMacroFlag;
            }
        }
        table[2 * static_cast<size_t>(index)] = first;
        table[2 * static_cast<size_t>(index) + 1] = second;
    }
    return table;
}

MacroBlock BuildMacroBlock(int playTimes, const std::vector<BlockStep>& steps) {
    // The count byte holds 255 at most and the block 1200 bytes: longer
    // macros are cut rather than written past the block.
    const size_t length = std::min(kMacroEventSize * steps.size() + 3, kMacroBlockMax);
    MacroBlock block(length, 0);
    block[0] = static_cast<uint8_t>(playTimes <= 0 ? 1 : std::min(playTimes, 255));
    block[1] = static_cast<uint8_t>(std::min<size_t>(steps.size(), kMacroBlockMaxCount));
    size_t at = kMacroBlockHeader;
    for (const BlockStep& step : steps) {
        if (step.type != kStepPress && step.type != kStepRelease) continue;
        if (at + kMacroEventSize > block.size()) break;
        const int delay = std::clamp(step.delayMs, 0, kMaxStepDelayMs);
        block[at] = Low(step.code);
        block[at + 1] = static_cast<uint8_t>(delay & 0xFF);
        block[at + 2] = static_cast<uint8_t>(((delay >> 8) & 0x7F) | (step.type == kStepPress ? kEventPressBit : 0));
        at += kMacroEventSize;
    }
    return block;
}

std::vector<uint8_t> PresetEventBytes(int value) {
    std::vector<uint8_t> bytes;
    const std::vector<PresetEvent> events = ShortcutPresetEvents(value);
    if (events.empty()) return std::vector<uint8_t>(kPresetFallbackEvents * kMacroEventSize, 0);
    for (const PresetEvent& e : events) {
        bytes.push_back(e.code);
        bytes.push_back(static_cast<uint8_t>(kPresetEventDelayMs));
        bytes.push_back(e.release ? 0x00 : kEventPressBit);
    }
    return bytes;
}

ColourTableImage BuildColourTable(const std::vector<KeyLightRecord>& lights, const KeyboardDefinition& definition) {
    ColourTableImage table{};
    for (const KeyLightRecord& light : lights) {
        const int position = definition.LightIndexOf(light.keyCode);
        if (position < 0 || position >= kLightPositionLimit) continue;
        const auto rgb = static_cast<uint32_t>(light.keyRgb);
        const size_t at = 4 * static_cast<size_t>(position);
        table[at] = static_cast<uint8_t>(rgb & 0xFF);
        table[at + 1] = static_cast<uint8_t>((rgb >> 8) & 0xFF);
        table[at + 2] = static_cast<uint8_t>((rgb >> 16) & 0xFF);
        table[at + 3] = kColourTableFill;
    }
    return table;
}

StreamFrame BuildStreamFrame(const std::map<int, int>& colours, const KeyboardDefinition& definition) {
    StreamFrame frame{};
    for (const auto& [code, colour] : colours) {
        const int position = definition.LightIndexOf(code);
        if (position < 0 || position >= kLightPositionLimit) continue;
        const auto rgb = static_cast<uint32_t>(colour);
        const size_t at = 3 * static_cast<size_t>(position);
        frame[at] = static_cast<uint8_t>(rgb & 0xFF);
        frame[at + 1] = static_cast<uint8_t>((rgb >> 8) & 0xFF);
        frame[at + 2] = static_cast<uint8_t>((rgb >> 16) & 0xFF);
    }
    return frame;
}

std::vector<OutputReport> UserMacroReports(int slot, const MacroBlock& block) {
    // n = L / 60 + 1 reports of 59 bytes at offsets 59k; the last declares
    // L - 60 (L / 60) bytes, as the firmware expects.
    const size_t total = block.size();
    const size_t last = total / kTableChunk;
    std::vector<OutputReport> list;
    for (size_t k = 0; k <= last; ++k) {
        const size_t offset = kMacroChunk * k;
        const size_t length = k == last ? total - kTableChunk * last : kMacroChunk;
        OutputReport report = ChunkReport(kCmdUserMacro, length, offset);
        report[5] = Low(slot);
        for (size_t i = 0; i < kMacroChunk && offset + i < total; ++i) report[6 + i] = block[offset + i];
        list.push_back(report);
    }
    return list;
}

OutputReport ShortcutMacroReport(int slot, int preset) {
    const std::vector<uint8_t> events = PresetEventBytes(preset);
    const size_t count = events.size() / kMacroEventSize;
    OutputReport report = ChunkReport(kCmdUserMacro, events.size(), 0);
    report[5] = Low(slot);
    report[6] = kShortcutPlayTimes;
    report[7] = static_cast<uint8_t>(count);
    std::copy(events.begin(), events.end(), report.begin() + 8);
    return report;
}

std::vector<OutputReport> KeyTableReports(const KeyTableImage& table) {
    return TableReports(kCmdKeyTable, table, kKeyTableSent, kKeyTableReports);
}

OutputReport LightModeFormReport(const LightRecord& record) {
    OutputReport report{kOutputReportId, kCmdLightModeFirst, 0, Low(record.mode)};
    return report;
}

OutputReport LightParamsFormReport(const LightRecord& record) {
    const auto colour = static_cast<uint32_t>(record.colorValue);
    uint8_t p = static_cast<uint8_t>(((record.direction & 3) << 4) | (record.speed & 0x0F));
    if (record.colorful != 0) p |= 0x40;
    OutputReport report{kOutputReportId,
                        kCmdLightParamsFirst,
                        0,
                        p,
                        static_cast<uint8_t>(colour & 0xFF),
                        static_cast<uint8_t>((colour >> 8) & 0xFF),
                        static_cast<uint8_t>((colour >> 16) & 0xFF),
                        Low(record.brightness)};
    return report;
}

std::vector<OutputReport> ColourTableReports(const ColourTableImage& table) {
    return TableReports(kCmdColourTable, table, kColourTableSize, kColourTableReports);
}

OutputReport StreamStartReport() {
    OutputReport report{kOutputReportId, kStreamStart[0], kStreamStart[1], kStreamStart[2]};
    return report;
}

std::vector<OutputReport> StreamFrameReports(const StreamFrame& frame) {
    return TableReports(kCmdStreamFrame, frame, kStreamFrameSize, kStreamFrameReports);
}

FeatureReport CustomAreaReport(const LightRecord& record, int optionIndex) {
    const uint8_t opt = (record.configFunc & kConfigFuncOptions) != 0 ? Low(optionIndex) : 0;
    return {kFeatureReportId, kCmdCustomArea, kCmdCustomArea, Low(record.mode - 1), Low(record.brightness),
            Low(record.speed), 0, opt};
}

OutputReport FactoryResetFirstReport() {
    OutputReport report{kOutputReportId, kFactoryResetFirst[0], kFactoryResetFirst[1], kFactoryResetFirst[2],
                        kFactoryResetFirst[3]};
    return report;
}

}  // namespace device::commands
