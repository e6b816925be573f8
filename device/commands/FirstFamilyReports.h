// Byte builders of the first firmware family (device types up to 200): the
// key table, user-macro block, shortcut events, colour table and stream
// frame images, and the framing of their output reports. Pure functions.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "device/DeviceReports.h"
#include "store/StoreRecords.h"

class KeyboardDefinition;

namespace device::commands {

inline constexpr uint8_t kCmdUserMacro = 0x8E;
inline constexpr uint8_t kCmdKeyTable = 0x8D;
inline constexpr uint8_t kCmdLightModeFirst = 0x88;
inline constexpr uint8_t kCmdLightParamsFirst = 0x89;
inline constexpr uint8_t kCmdColourTable = 0x8B;
inline constexpr uint8_t kCmdStreamStart = 0xF0;
inline constexpr uint8_t kCmdStreamFrame = 0xF1;
inline constexpr uint8_t kCmdCustomArea = 0xFF;
inline constexpr std::array<uint8_t, 4> kFactoryResetFirst = {0xFF, 0xFE, 0xAA, 0xFF};
inline constexpr std::array<uint8_t, 3> kStreamStart = {0xF0, 0xF4, 0x01};

// Key table: two bytes per key index; the firmware gets bytes 0-219.
inline constexpr size_t kKeyTableImageSize = 360;
inline constexpr size_t kKeyTableSent = 220;
inline constexpr int kKeyIndexLimit = 180;
inline constexpr uint8_t kKeyRemapFlag = 0x20;
inline constexpr uint8_t kKeyMacroFlag = 0x40;
using KeyTableImage = std::array<uint8_t, kKeyTableImageSize>;

// User-macro block: play times, step count, 3-byte events.
inline constexpr size_t kMacroBlockMax = 1200;
inline constexpr size_t kMacroBlockHeader = 2;
inline constexpr size_t kMacroEventSize = 3;
inline constexpr size_t kMacroBlockMaxEvents = (kMacroBlockMax - kMacroBlockHeader) / kMacroEventSize;
inline constexpr int kMacroBlockMaxCount = 255;
inline constexpr int kMaxStepDelayMs = 32767;
inline constexpr uint8_t kEventPressBit = 0x80;
static_assert(kMacroBlockMaxEvents == 399);
using MacroBlock = std::vector<uint8_t>;  // length L = 3 x steps + 3, at most 1200

inline constexpr int kPresetEventDelayMs = 100;

// Colour table: 4 bytes per light position; the stream frame 3.
inline constexpr size_t kColourTableSize = 440;
inline constexpr size_t kStreamFrameSize = 330;
inline constexpr int kLightPositionLimit = 110;
inline constexpr uint8_t kColourTableFill = 0xFF;
using ColourTableImage = std::array<uint8_t, kColourTableSize>;
using StreamFrame = std::array<uint8_t, kStreamFrameSize>;

// Chunks of the table writes.
inline constexpr size_t kTableChunk = 60;
inline constexpr size_t kMacroChunk = 59;
inline constexpr size_t kKeyTableReports = 4;
inline constexpr size_t kColourTableReports = 8;
inline constexpr size_t kStreamFrameReports = 6;

// Pauses (milliseconds).
inline constexpr int kUserMacroPauseMs = 100;
inline constexpr int kTableWritePauseMs = 10;
inline constexpr int kColourPauseMs = 1;
inline constexpr int kKeyTableLeadPauseMs = 20;
inline constexpr int kFactoryResetFirstPauseMs = 100;

// The light id whose per-key colours the custom mode shows.
inline constexpr int kCustomColoursLightId = 128;

// slots: key code -> macro slot uploaded for it.
[[nodiscard]] KeyTableImage BuildKeyTable(const std::vector<KeyAssignmentRecord>& list,
                                          const KeyboardDefinition& definition, const std::map<int, int>& slots);
struct BlockStep {
    int type = 0;        // 2 press, 3 release, others count but send nothing
    int code = 0;        // device key code
    int delayMs = 0;
};
// playTimes <= 0 means not stored (1).
[[nodiscard]] MacroBlock BuildMacroBlock(int playTimes, const std::vector<BlockStep>& steps);
// The 3-byte events of a preset; 4 zero events for an unknown value.
[[nodiscard]] std::vector<uint8_t> PresetEventBytes(int value);
// keyRgb per key code.
[[nodiscard]] ColourTableImage BuildColourTable(const std::vector<KeyLightRecord>& lights,
                                                const KeyboardDefinition& definition);
[[nodiscard]] StreamFrame BuildStreamFrame(const std::map<int, int>& colours, const KeyboardDefinition& definition);

[[nodiscard]] std::vector<OutputReport> UserMacroReports(int slot, const MacroBlock& block);
[[nodiscard]] OutputReport ShortcutMacroReport(int slot, int preset);
[[nodiscard]] std::vector<OutputReport> KeyTableReports(const KeyTableImage& table);
[[nodiscard]] OutputReport LightModeFormReport(const LightRecord& record);
[[nodiscard]] OutputReport LightParamsFormReport(const LightRecord& record);
[[nodiscard]] std::vector<OutputReport> ColourTableReports(const ColourTableImage& table);
[[nodiscard]] OutputReport StreamStartReport();
[[nodiscard]] std::vector<OutputReport> StreamFrameReports(const StreamFrame& frame);
[[nodiscard]] FeatureReport CustomAreaReport(const LightRecord& record, int optionIndex);
[[nodiscard]] OutputReport FactoryResetFirstReport();

}  // namespace device::commands
