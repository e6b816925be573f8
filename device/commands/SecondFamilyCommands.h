// SecondFamilyCommands: the commands and sequences of the second firmware
// family (device types 201-299), reading the store and writing through the
// device manager. Every call blocks for the protocol's pauses; none is
// retried and a failed report does not stop a sequence (a failed macro
// upload stops that upload only).
#pragma once

#include "device/DeviceManager.h"
#include "device/commands/CommandContext.h"
#include "device/commands/SecondFamilyReports.h"

class DataStore;

namespace device::commands {

// What a whole-profile or single-key write did.
struct KeyWriteResult {
    bool sent = false;          // false: no board, or not over the cable
    int macrosWritten = 0;
    int remapsWritten = 0;
    int macrosSkipped = 0;      // assignments past the 13 macro slots
    int remapsSkipped = 0;      // assignments past the 10 remap slots
};

class SecondFamilyCommands {
public:
    SecondFamilyCommands(DeviceManager& manager, DataStore& store) : m_manager(manager), m_store(store) {}

    // Reads the 28-byte slot table; answered = replies that returned data.
    bool ReadSlotTable(FeatureBlock& block, int* answered = nullptr);
    // Writes the remap slot for key from its stored assignment (k = v = 0
    // clears the slot).
    void WriteRemapSlot(const CommandContext& context, int key, int slot);
    // Uploads the macro slot: a preset (type 7), a user macro (type 3) or a
    // cleared slot (anything else). False when a report failed.
    bool UploadMacroSlot(const CommandContext& context, int key, int slot, int type, int value);
    // The macro image UploadMacroSlot sends.
    [[nodiscard]] MacroImage BuildImage(const CommandContext& context, int key, int slot, int type, int value);
    // The active lighting mode of the profile; false when it is missing or
    // nothing could be sent.
    bool SetLightMode(const CommandContext& context);
    bool FactoryReset();
    // Sent at once (the music capture paces it).
    bool SendMusicLevel(int musicMode, int level);
    // The whole profile, or only context.singleKeyCode when singleKey.
    KeyWriteResult WriteKeyAssignments(const CommandContext& context);
    // Deletes the stored assignments of keys the board's slot tables do not
    // hold. Acts only on a table whose four replies all arrived and only on
    // a second-family board; false when it did nothing.
    bool SyncSlotTableToStore(const CommandContext& context, int deviceType);

private:
    [[nodiscard]] bool IsWired();

    DeviceManager& m_manager;
    DataStore& m_store;
};

}  // namespace device::commands
