#include "device/commands/FirstFamilyCommands.h"

#include "model/KeyCodes.h"
#include "model/KeyboardDefinition.h"
#include "store/DataStore.h"

namespace device::commands {
namespace {

constexpr int kTypeMacro = 3, kTypePreset = 7;
constexpr int kStreamColourThreshold = 2;
constexpr int kCustomAreaTypeLimit = 200;

}  // namespace

std::atomic<bool>& FirstFamilyCommands::ProcessStreamFlag() {
    static std::atomic<bool> started{false};
    return started;
}

bool FirstFamilyCommands::UploadUserMacro(int slot, const MacroBlock& block) {
    for (const OutputReport& report : UserMacroReports(slot, block)) {
        PauseMs(kUserMacroPauseMs);
        if (!m_manager.WriteReport(report)) return false;
    }
    return true;
}

bool FirstFamilyCommands::UploadShortcutMacro(int slot, int preset) {
    PauseMs(kTableWritePauseMs);
    return m_manager.WriteReport(ShortcutMacroReport(slot, preset));
}

bool FirstFamilyCommands::WriteKeyTable(const KeyTableImage& table) {
    for (const OutputReport& report : KeyTableReports(table)) {
        PauseMs(kTableWritePauseMs);
        if (!m_manager.WriteReport(report)) return false;
    }
    return true;
}

bool FirstFamilyCommands::SetLightModeFirst(CommandContext& context) {
    LightRecord record;
    const int mode = m_store.GetActiveLightMode(context.profile);
    if (!m_store.GetLight(context.profile, mode, record)) return false;
    const bool ok = m_manager.WriteReport(context.modeParameters ? LightParamsFormReport(record)
                                                                 : LightModeFormReport(record));
    context.modeParameters = true;
    return ok;
}

bool FirstFamilyCommands::WriteColourTable(const ColourTableImage& table) {
    for (const OutputReport& report : ColourTableReports(table)) {
        PauseMs(kColourPauseMs);
        if (!m_manager.WriteReport(report)) return false;
    }
    return true;
}

bool FirstFamilyCommands::StartColourStream() {
    if (m_streamStarted->exchange(true)) return true;
    if (m_manager.WriteReport(StreamStartReport())) return true;
    // Not sent: try again with the next frame.
    m_streamStarted->store(false);
    return false;
}

bool FirstFamilyCommands::SendStreamFrame(const StreamFrame& frame) {
    for (const OutputReport& report : StreamFrameReports(frame)) {
        PauseMs(kColourPauseMs);
        if (!m_manager.WriteControlReport(report)) return false;
    }
    return true;
}

bool FirstFamilyCommands::SelectCustomArea(const CommandContext& context, int deviceType) {
    if (deviceType >= kCustomAreaTypeLimit) return false;
    LightRecord record;
    const int mode = m_store.GetActiveLightMode(context.profile);
    if (!m_store.GetLight(context.profile, mode, record)) return false;
    return m_manager.SendFeatureAfterPause(CustomAreaReport(record, context.optionIndex));
}

bool FirstFamilyCommands::FactoryResetFirst() {
    const bool ok = m_manager.WriteReport(FactoryResetFirstReport());
    PauseMs(kFactoryResetFirstPauseMs);
    return ok;
}

MacroBlock FirstFamilyCommands::BuildBlock(const CommandContext& context, int macroId) {
    int playTimes = 0;
    if (!m_store.GetMacroPlayTimes(macroId, playTimes)) playTimes = 0;
    std::vector<MacroStepRecord> steps;
    m_store.ListMacroSteps(macroId, steps);
    std::vector<BlockStep> list;
    list.reserve(steps.size());
    for (const MacroStepRecord& step : steps)
        list.push_back({step.type, VkToDeviceCodeByPosition(step.value, context.keyboardLayout), step.delayTime});
    return BuildMacroBlock(playTimes, list);
}

FirstKeyWriteResult FirstFamilyCommands::WriteKeyAssignmentsFirst(const CommandContext& context) {
    FirstKeyWriteResult result;
    if (!m_manager.ActiveDevice()) return result;
    result.sent = true;
    std::vector<KeyAssignmentRecord> list;
    m_store.ListKeyAssignments(context.profile, context.fnLayer, list);
    std::map<int, int> slots;
    int slot = 0;
    bool failed = false;
    for (const KeyAssignmentRecord& record : list) {
        if (record.macroType != kTypeMacro) continue;
        const MacroBlock block = BuildBlock(context, record.macroValue);
        PauseMs(kTableWritePauseMs);
        if (!UploadUserMacro(slot, block)) {
            failed = true;
            break;
        }
        slots[record.keyCode] = slot++;
        ++result.macrosUploaded;
    }
    result.macroUploadFailed = failed;
    if (!failed)
        for (const KeyAssignmentRecord& record : list) {
            if (record.macroType != kTypePreset) continue;
            PauseMs(kTableWritePauseMs);
            UploadShortcutMacro(slot, record.macroValue);
            slots[record.keyCode] = slot++;
            ++result.macrosUploaded;
        }
    PauseMs(kKeyTableLeadPauseMs);
    static const KeyboardDefinition kNoLayout;
    const KeyboardDefinition& definition = context.definition ? *context.definition : kNoLayout;
    result.keyTableWritten = WriteKeyTable(BuildKeyTable(list, definition, slots));
    return result;
}

bool FirstFamilyCommands::WriteCustomColoursFirst(const CommandContext& context) {
    std::vector<KeyLightRecord> lights;
    m_store.ListKeyLights(kCustomColoursLightId, lights);
    static const KeyboardDefinition kNoLayout;
    return WriteColourTable(BuildColourTable(lights, context.definition ? *context.definition : kNoLayout));
}

bool FirstFamilyCommands::StreamColours(const CommandContext& context, const std::map<int, int>& colours) {
    bool lit = false;
    for (const auto& entry : colours) lit = lit || entry.second >= kStreamColourThreshold;
    OpenedDeviceInfo info;
    if (!lit || !m_manager.ActiveDevice(&info) || info.connectionMode != kConnWired) return false;
    if (!StartColourStream()) return false;
    static const KeyboardDefinition kNoLayout;
    return SendStreamFrame(BuildStreamFrame(colours, context.definition ? *context.definition : kNoLayout));
}

}  // namespace device::commands
