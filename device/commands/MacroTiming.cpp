#include "device/commands/MacroTiming.h"

#include <algorithm>

namespace device::commands {
namespace {

constexpr int kTenMsLimit = 10;
constexpr int kTensLimit = 310;
constexpr int kFiftiesLimit = 1550;
constexpr int kHundredsLimit = 3100;
constexpr uint8_t kUnitTens = 0x00;
constexpr uint8_t kUnitFifties = 0x20;
constexpr uint8_t kUnitSeconds = 0x60;
constexpr uint8_t kCountMask = 0x1F;

}  // namespace

uint8_t EncodeMacroTiming(bool release, int ms) noexcept {
    const int t = std::min(ms, kLongestEncodedDelayMs);
    uint8_t bits = 0;
    if (t < 0) {
        bits = 0;
    } else if (t <= kTenMsLimit) {
        bits = 1;
    } else if (t <= kTensLimit) {
        bits = static_cast<uint8_t>(kUnitTens | ((t / 10) & kCountMask));
    } else if (t <= kFiftiesLimit) {
        bits = static_cast<uint8_t>(kUnitFifties | ((t / 50) & kCountMask));
    } else if (t <= kHundredsLimit) {
        // Same unit bits as the 50 ms range, counted in 100 ms.
        bits = static_cast<uint8_t>(kUnitFifties | ((t / 100) & kCountMask));
    } else {
        bits = static_cast<uint8_t>(kUnitSeconds | ((t / 1000) & kCountMask));
    }
    uint8_t byte = static_cast<uint8_t>((release ? kTimingReleaseBit : 0) | bits);
    return byte == 0 ? 1 : byte;
}

}  // namespace device::commands
