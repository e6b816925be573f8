// The timing byte of a second-family macro event: bit 7 tells a release,
// bits 5-6 the unit and bits 0-4 the count.
#pragma once

#include <cstdint>

namespace device::commands {

inline constexpr uint8_t kTimingReleaseBit = 0x80;
inline constexpr int kLongestEncodedDelayMs = 31000;

[[nodiscard]] uint8_t EncodeMacroTiming(bool release, int ms) noexcept;

}  // namespace device::commands
