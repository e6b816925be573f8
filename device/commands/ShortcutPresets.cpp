#include "device/commands/ShortcutPresets.h"

#include <array>
#include <cstddef>

namespace device::commands {
namespace {

constexpr uint8_t kCtrl = 0xE0, kAlt = 0xE2, kWin = 0xE3;
constexpr uint8_t kSpace = 0x2C;

struct Preset {
    std::array<uint8_t, 3> keys;
    int count;
};

constexpr std::array<Preset, kLastShortcutPreset> kPresets = {{
    {{kCtrl, 0x04, 0}, 2},       // 1  Ctrl+A
    {{kCtrl, 0x06, 0}, 2},       // 2  Ctrl+C
    {{kCtrl, 0x1B, 0}, 2},       // 3  Ctrl+X
    {{kCtrl, 0x19, 0}, 2},       // 4  Ctrl+V
    {{kCtrl, 0x1D, 0}, 2},       // 5  Ctrl+Z
    {{kCtrl, 0x16, 0}, 2},       // 6  Ctrl+S
    {{kWin, 0x08, 0}, 2},        // 7  Win+E
    {{kWin, 0x0F, 0}, 2},        // 8  Win+L
    {{kWin, 0x07, 0}, 2},        // 9  Win+D
    {{kAlt, 0x2B, 0}, 2},        // 10 Alt+Tab
    {{kWin, 0x10, 0}, 2},        // 11 Win+M
    {{kCtrl, 0x1A, 0}, 2},       // 12 Ctrl+W
    {{kAlt, kSpace, 0x1B}, 3},   // 13 Alt+Space, X
    {{kAlt, kSpace, 0x11}, 3},   // 14 Alt+Space, N
    {{kAlt, 0x3D, 0}, 2},        // 15 Alt+F4
}};

}  // namespace

std::vector<PresetEvent> ShortcutPresetEvents(int value) {
    std::vector<PresetEvent> events;
    if (value < kFirstShortcutPreset || value > kLastShortcutPreset) return events;
    const Preset& preset = kPresets[static_cast<size_t>(value - kFirstShortcutPreset)];
    for (int i = 0; i < preset.count; ++i) events.push_back({preset.keys[static_cast<size_t>(i)], false});
    for (int i = preset.count - 1; i >= 0; --i) events.push_back({preset.keys[static_cast<size_t>(i)], true});
    return events;
}

}  // namespace device::commands
