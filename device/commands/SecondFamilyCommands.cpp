#include "device/commands/SecondFamilyCommands.h"

#include <cstdio>
#include <set>

#include "device/commands/MacroTiming.h"
#include "device/commands/ShortcutPresets.h"
#include "model/KeyCodes.h"
#include "store/DataStore.h"

namespace device::commands {
namespace {

constexpr int kTypeNone = 0;
constexpr int kTypeDisabled = 1;
constexpr int kTypeRemap = 2;
constexpr int kTypeMacro = 3;
constexpr int kTypePreset = 7;
constexpr int kStepPress = 2;
constexpr int kStepRelease = 3;
constexpr uint8_t kPresetPressTiming = 0x01;
constexpr uint8_t kPresetReleaseTiming = 0x81;

bool PlaysMacro(int type) noexcept { return type == kTypeMacro || type == kTypePreset; }

// The slot (1-based) of a table already holding key, else the first free
// one, else 1.
int ChooseSlot(const FeatureBlock& block, size_t offset, int count, int key) {
    for (int i = 0; i < count; ++i)
        if (block[offset + static_cast<size_t>(i)] == (key & 0xFF)) return i + 1;
    for (int i = 0; i < count; ++i)
        if (block[offset + static_cast<size_t>(i)] == 0) return i + 1;
    return 1;
}

int FindSlot(const FeatureBlock& block, size_t offset, int count, int key) {
    for (int i = 0; i < count; ++i)
        if (block[offset + static_cast<size_t>(i)] == (key & 0xFF)) return i + 1;
    return 0;
}

}  // namespace

bool SecondFamilyCommands::IsWired() {
    OpenedDeviceInfo info;
    return m_manager.ActiveDevice(&info) && info.connectionMode == kConnWired;
}

bool SecondFamilyCommands::ReadSlotTable(FeatureBlock& block, int* answered) {
    block.fill(0);
    int count = 0;
    bool ok = m_manager.ReadFeatureBlock(SlotTableRequest(), block, &count);
    if (answered) *answered = ok ? count : 0;
    return ok;
}

void SecondFamilyCommands::WriteRemapSlot(const CommandContext& context, int key, int slot) {
    KeyAssignmentRecord record;
    int k = 0, v = 0;
    if (key != 0 && m_store.GetKeyAssignment(context.profile, context.fnLayer, key, record) &&
        record.macroValue > 0 && record.macroType != kTypeNone && !PlaysMacro(record.macroType)) {
        k = key;
        v = record.macroValue & 0xFF;
    }
    m_manager.SendFeatureAfterPause(RemapSlotReport(slot, k, v));
}

MacroImage SecondFamilyCommands::BuildImage(const CommandContext& context, int key, int slot, int type, int value) {
    std::vector<MacroEvent> events;
    if (type == kTypePreset) {
        for (const PresetEvent& e : ShortcutPresetEvents(value))
            events.push_back({e.code, e.release ? kPresetReleaseTiming : kPresetPressTiming});
        return BuildMacroImage(slot, key, 1, events);
    }
    MacroRecord macro;
    if (type == kTypeMacro && m_store.GetMacro(value, macro)) {
        std::vector<MacroStepRecord> steps;
        m_store.ListMacroSteps(value, steps);
        for (const MacroStepRecord& step : steps) {
            if (step.type != kStepPress && step.type != kStepRelease) continue;
            if (events.size() >= kMacroImageMaxEvents) break;
            const int code = VkToDeviceCodeByPosition(step.value, context.keyboardLayout);
            events.push_back({static_cast<uint8_t>(code & 0xFF),
                              EncodeMacroTiming(step.type == kStepRelease, step.delayTime)});
        }
        return BuildMacroImage(slot, key, macro.playTimes, events);
    }
    return BuildMacroImage(slot, 0, 0, {});
}

bool SecondFamilyCommands::UploadMacroSlot(const CommandContext& context, int key, int slot, int type, int value) {
    const MacroImage image = BuildImage(context, key, slot, type, value);
    for (const FeatureReport& report : MacroImageReports(image))
        if (!m_manager.SendFeatureAfterPause(report)) return false;
    return true;
}

bool SecondFamilyCommands::SetLightMode(const CommandContext& context) {
    LightRecord record;
    const int mode = m_store.GetActiveLightMode(context.profile);
    if (!m_store.GetLight(context.profile, mode, record)) return false;
    OpenedDeviceInfo info;
    if (!m_manager.ActiveDevice(&info)) return false;
    if (info.connectionMode == kConnWired)
        return m_manager.SendFeatureAfterPause(LightModeReport(record, context.optionIndex));
    return m_manager.WriteReportPadded(WirelessLightModeData(record, context.optionIndex));
}

bool SecondFamilyCommands::FactoryReset() {
    OpenedDeviceInfo info;
    if (!m_manager.ActiveDevice(&info)) return false;
    if (info.connectionMode == kConnWired) {
        bool ok = m_manager.SendFeatureAfterPause(FactoryResetReport());
        PauseMs(kFactoryResetPauseMs);
        return ok;
    }
    bool ok = m_manager.WriteReportPadded(WirelessFactoryResetData(true));
    PauseMs(kWirelessFactoryResetPauseMs);
    return m_manager.WriteReportPadded(WirelessFactoryResetData(false)) && ok;
}

bool SecondFamilyCommands::SendMusicLevel(int musicMode, int level) {
    return m_manager.SendFeature(MusicLevelReport(musicMode, level));
}

KeyWriteResult SecondFamilyCommands::WriteKeyAssignments(const CommandContext& context) {
    KeyWriteResult result;
    if (!IsWired()) return result;
    FeatureBlock block{};
    if (!ReadSlotTable(block)) return result;
    result.sent = true;

    if (context.singleKey) {
        PauseMs(kSingleKeyPauseMs);
        const int key = context.singleKeyCode;
        KeyAssignmentRecord record;
        if (!m_store.GetKeyAssignment(context.profile, context.fnLayer, key, record)) record.macroType = kTypeNone;
        if (PlaysMacro(record.macroType)) {
            int slot = ChooseSlot(block, kSlotTableMacroOffset, kMacroSlots, key);
            UploadMacroSlot(context, key, slot, record.macroType, record.macroValue);
            ++result.macrosWritten;
        } else if (record.macroType == kTypeDisabled || record.macroType == kTypeRemap) {
            WriteRemapSlot(context, key, ChooseSlot(block, kSlotTableRemapOffset, kRemapSlots, key));
            ++result.remapsWritten;
        } else {
            if (int i = FindSlot(block, kSlotTableMacroOffset, kMacroSlots, key); i > 0)
                UploadMacroSlot(context, key, i, record.macroType, record.macroValue);
            if (int j = FindSlot(block, kSlotTableRemapOffset, kRemapSlots, key); j > 0)
                WriteRemapSlot(context, key, j);
        }
        return result;
    }

    // Clear what the board holds, then number the slots afresh. Slot 13 is
    // cleared too, since the write below may fill it.
    for (int slot = 1; slot <= kMacroSlots; ++slot) {
        const int code = block[kSlotTableMacroOffset + static_cast<size_t>(slot - 1)];
        if (code == 0) continue;
        PauseMs(kPauseBeforeFeatureMs);
        UploadMacroSlot(context, code, slot, kTypeNone, 0);
    }
    for (int slot = 1; slot <= kRemapSlots; ++slot) {
        if (block[kSlotTableRemapOffset + static_cast<size_t>(slot - 1)] == 0) continue;
        PauseMs(kPauseBeforeFeatureMs);
        WriteRemapSlot(context, 0, slot);
    }
    std::vector<KeyAssignmentRecord> list;
    m_store.ListKeyAssignments(context.profile, context.fnLayer, list);
    int macroSlot = 1, remapSlot = 1;
    for (const KeyAssignmentRecord& record : list) {
        if (record.macroType == kTypeNone) continue;
        if (PlaysMacro(record.macroType)) {
            if (macroSlot > kMacroSlots) {
                ++result.macrosSkipped;
                continue;
            }
            PauseMs(kPauseBeforeFeatureMs);
            UploadMacroSlot(context, record.keyCode, macroSlot++, record.macroType, record.macroValue);
            ++result.macrosWritten;
        } else {
            if (remapSlot > kRemapSlots) {
                ++result.remapsSkipped;
                continue;
            }
            PauseMs(kPauseBeforeFeatureMs);
            WriteRemapSlot(context, record.keyCode, remapSlot++);
            ++result.remapsWritten;
        }
    }
    return result;
}

bool SecondFamilyCommands::SyncSlotTableToStore(const CommandContext& context, int deviceType) {
    if (!IsSecondFamily(deviceType)) return false;
    FeatureBlock block{};
    int answered = 0;
    // A partial read leaves zeros that would read as free slots and delete
    // the user's assignments: act only on a complete table.
    if (!ReadSlotTable(block, &answered) || answered != kFeatureBlockChunks) return false;
    std::set<int> held;
    for (size_t i = kSlotTableMacroOffset; i < kSlotTableRemapOffset + kRemapSlots; ++i)
        if (block[i] != 0) held.insert(block[i]);
    std::vector<KeyAssignmentRecord> list;
    m_store.ListKeyAssignments(context.profile, context.fnLayer, list);
    for (const KeyAssignmentRecord& record : list) {
        if (held.count(record.keyCode) != 0) continue;
        char sql[160];
        std::snprintf(sql, sizeof sql,
                      "DELETE FROM t_key_macro_data WHERE profile = %d and fn_layer = %d and key_code = %d",
                      context.profile, context.fnLayer, record.keyCode);
        m_store.Execute(sql);
    }
    return true;
}

}  // namespace device::commands
