// Byte builders of the second firmware family (device types 201-299):
// the macro image, the feature reports of the wired commands and the
// padded data of the wireless ones. Pure functions, no I/O.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "device/DeviceReports.h"
#include "store/StoreRecords.h"

namespace device::commands {

// Command bytes (byte 1 of a wired feature report).
inline constexpr uint8_t kCmdRemapSlot = 0xFA;
inline constexpr uint8_t kCmdMacroSlotFirst = 0xF1;
inline constexpr uint8_t kCmdMacroSlotNext = 0x00;
inline constexpr uint8_t kCmdLightMode = 0xF7;
inline constexpr uint8_t kCmdFactoryReset = 0xF0;
inline constexpr uint8_t kFactoryResetArg = 0xAA;
inline constexpr std::array<uint8_t, 4> kMusicLevelMagic = {0x23, 0x45, 0x67, 0x89};
inline constexpr std::array<uint8_t, 4> kWirelessMagic = {0xBB, 0xAA, 0x99, 0x88};
inline constexpr uint8_t kWirelessLightTag = 0xAA;
inline constexpr uint8_t kWirelessResetByte = 0xAA;
inline constexpr int kWirelessResetBytes = 6;

// The firmware's slot tables.
inline constexpr int kMacroSlots = 13;
inline constexpr int kRemapSlots = 10;
inline constexpr size_t kSlotTableMacroOffset = 1;   // bytes 1-13
inline constexpr size_t kSlotTableRemapOffset = 14;  // bytes 14-23

// The macro image: 512 bytes, of which the first 168 travel in 28 reports
// of 6 bytes.
inline constexpr size_t kMacroImageSize = 512;
inline constexpr size_t kMacroImageReports = 28;
inline constexpr size_t kMacroImageBytesPerReport = 6;
inline constexpr size_t kMacroImageSent = kMacroImageReports * kMacroImageBytesPerReport;
inline constexpr size_t kMacroImageHeader = 4;
inline constexpr size_t kMacroImageMaxEvents = (kMacroImageSent - kMacroImageHeader) / 2;
static_assert(kMacroImageSent == 168 && kMacroImageMaxEvents == 82);
using MacroImage = std::array<uint8_t, kMacroImageSize>;

// Pauses (milliseconds).
inline constexpr int kFactoryResetPauseMs = 100;
inline constexpr int kWirelessFactoryResetPauseMs = 1600;
inline constexpr int kSingleKeyPauseMs = 100;

// Mode 4 is the single colour (mode byte 3); mode 9 keeps its raw speed
// over the cable.
inline constexpr int kSingleColourMode = 4;
inline constexpr int kRawSpeedMode = 9;
// config_func bit: the mode has an option list.
inline constexpr int kConfigFuncOptions = 0x100;

struct MacroEvent {
    uint8_t code = 0;
    uint8_t timing = 0;
};

// Byte 0 = 1, byte 1 = slot, byte 2 = key, byte 3 = play times, then the
// events (at most 82; later ones are dropped).
[[nodiscard]] MacroImage BuildMacroImage(int slot, int key, int playTimes, const std::vector<MacroEvent>& events);
// The 28 feature reports of an image: 07 F1 m0..m5, then 07 00 m6i..m6i+5.
[[nodiscard]] std::vector<FeatureReport> MacroImageReports(const MacroImage& image);
// 07 FA 01 slot key 01 target 01.
[[nodiscard]] FeatureReport RemapSlotReport(int slot, int key, int target);
[[nodiscard]] FeatureReport SlotTableRequest();
// The six mode bytes after the command: mode-1, ci, dir, sp, br, opt.
[[nodiscard]] std::array<uint8_t, 6> LightModeBytes(const LightRecord& record, int optionIndex, bool wired);
[[nodiscard]] FeatureReport LightModeReport(const LightRecord& record, int optionIndex);
[[nodiscard]] OutputData WirelessLightModeData(const LightRecord& record, int optionIndex);
[[nodiscard]] FeatureReport FactoryResetReport();
[[nodiscard]] OutputData WirelessFactoryResetData(bool arm);
[[nodiscard]] FeatureReport MusicLevelReport(int musicMode, int level);

}  // namespace device::commands
