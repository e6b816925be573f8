// The fifteen shortcut presets (macro type 7) both firmware families play:
// key lists in press order, released in reverse.
#pragma once

#include <cstdint>
#include <vector>

namespace device::commands {

inline constexpr int kFirstShortcutPreset = 1;
inline constexpr int kLastShortcutPreset = 15;

struct PresetEvent {
    uint8_t code = 0;
    bool release = false;
};

// The events of a preset (press every key in order, release in reverse);
// empty for an unknown value.
[[nodiscard]] std::vector<PresetEvent> ShortcutPresetEvents(int value);

}  // namespace device::commands
