// FirstFamilyCommands: the commands and sequences of the first firmware
// family (device types up to 200): blocks of output reports on the vendor
// interface, the live colour stream on the control interface.
#pragma once

#include <atomic>
#include <map>

#include "device/DeviceManager.h"
#include "device/commands/CommandContext.h"
#include "device/commands/FirstFamilyReports.h"

class DataStore;

namespace device::commands {

struct FirstKeyWriteResult {
    bool sent = false;
    int macrosUploaded = 0;
    bool macroUploadFailed = false;
    bool keyTableWritten = false;
};

class FirstFamilyCommands {
public:
    // streamStarted: whether the stream start was sent in this run; the
    // process-wide flag unless a test gives its own.
    FirstFamilyCommands(DeviceManager& manager, DataStore& store, std::atomic<bool>* streamStarted = nullptr)
        : m_manager(manager), m_store(store), m_streamStarted(streamStarted ? streamStarted : &ProcessStreamFlag()) {}

    static std::atomic<bool>& ProcessStreamFlag();

    // Stop at the first failed report; false then.
    bool UploadUserMacro(int slot, const MacroBlock& block);
    bool UploadShortcutMacro(int slot, int preset);
    bool WriteKeyTable(const KeyTableImage& table);
    // The mode form, or the parameter form once context.modeParameters is
    // set; sets the flag. False when the record is missing.
    bool SetLightModeFirst(CommandContext& context);
    bool WriteColourTable(const ColourTableImage& table);
    // Sent once per run.
    bool StartColourStream();
    bool SendStreamFrame(const StreamFrame& frame);
    bool SelectCustomArea(const CommandContext& context, int deviceType);
    bool FactoryResetFirst();

    // The block of the macro whose id is macroId.
    [[nodiscard]] MacroBlock BuildBlock(const CommandContext& context, int macroId);
    FirstKeyWriteResult WriteKeyAssignmentsFirst(const CommandContext& context);
    bool WriteCustomColoursFirst(const CommandContext& context);
    // One frame of the live stream: code -> colour as drawn. Sends nothing
    // when every colour is below 2 or the board is not on the cable.
    bool StreamColours(const CommandContext& context, const std::map<int, int>& colours);

private:
    DeviceManager& m_manager;
    DataStore& m_store;
    std::atomic<bool>* m_streamStarted;
};

}  // namespace device::commands
