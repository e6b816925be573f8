// Report shapes and fixed numbers of the keyboard link.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace device {

// Output reports: report id (always 0) then 64 data bytes.
inline constexpr size_t kOutputReportSize = 65;
inline constexpr size_t kOutputDataSize = 64;
inline constexpr uint8_t kOutputReportId = 0;
// Feature reports: report id 7 then 7 data bytes.
inline constexpr size_t kFeatureReportSize = 8;
inline constexpr uint8_t kFeatureReportId = 7;
// The slot table read back in four feature replies of 7 data bytes.
inline constexpr size_t kFeatureChunkSize = 7;
inline constexpr int kFeatureBlockChunks = 4;
inline constexpr size_t kFeatureBlockSize = kFeatureChunkSize * kFeatureBlockChunks;

using OutputReport = std::array<uint8_t, kOutputReportSize>;
using OutputData = std::array<uint8_t, kOutputDataSize>;
using FeatureReport = std::array<uint8_t, kFeatureReportSize>;
using FeatureBlock = std::array<uint8_t, kFeatureBlockSize>;
static_assert(sizeof(OutputReport) == 65 && sizeof(FeatureReport) == 8 && sizeof(FeatureBlock) == 28);

// Command bytes the transport itself knows (byte 1 of a feature report).
inline constexpr uint8_t kCmdReadSlotTable = 0xFB;
inline constexpr uint8_t kCmdReadSlotTableArg = 0x01;
inline constexpr uint8_t kCmdFirmwareVersion = 0xFD;

// The vendor and control interfaces share one usage.
inline constexpr uint16_t kVendorUsagePage = 0xFF01;
inline constexpr uint16_t kVendorUsage = 1;

// Pauses that pace the device (milliseconds).
inline constexpr int kPauseBeforeFeatureMs = 16;
inline constexpr int kPauseBeforeWriteRetryMs = 10;
inline constexpr int kPauseBeforePaddedRetryMs = 32;

// Connection modes.
inline constexpr int kConnNone = -1;
inline constexpr int kConnWired = 0;
inline constexpr int kConnReceiver = 1;
inline constexpr int kConnBluetooth = 2;

// Device types: up to 200 first firmware family, 201-299 second family.
inline constexpr int kLastFirstFamilyType = 200;
inline constexpr int kFirstSecondFamilyType = 201;
inline constexpr int kLastSecondFamilyType = 299;
[[nodiscard]] constexpr bool IsSecondFamily(int deviceType) noexcept {
    return deviceType >= kFirstSecondFamilyType && deviceType <= kLastSecondFamilyType;
}

// Longest device path an opened record keeps (without the terminator).
inline constexpr size_t kMaxDevicePathLength = 1023;

}  // namespace device
