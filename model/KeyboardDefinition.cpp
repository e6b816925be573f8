#include "model/KeyboardDefinition.h"

void KeyboardDefinition::Reset() {
    *this = KeyboardDefinition();
}

void KeyboardDefinition::ResetGrid() {
    for (auto& row : keyGrid) row.fill(kNoKey);
}

int KeyboardDefinition::KeyIndexOf(int code) const {
    auto it = keyIndexMap.find(code);
    return it == keyIndexMap.end() ? -1 : it->second;
}

int KeyboardDefinition::LightIndexOf(int code) const {
    auto it = lightIndexMap.find(code);
    return it == lightIndexMap.end() ? -1 : it->second;
}

uint8_t KeyboardDefinition::GridAt(int row, int column) const noexcept {
    if (row < 0 || row >= kGridRows || column < 0 || column >= kGridColumns) return kNoKey;
    return keyGrid[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

const LightModeInfo* KeyboardDefinition::FindLightMode(int mode) const {
    for (const auto& info : lightModes)
        if (info.mode == mode) return &info;
    return nullptr;
}

int KeyboardDefinition::PageFlagsForConnection(int layoutFlags, int deviceType, int connectionMode) noexcept {
    constexpr int kFirstSecondFamilyType = 201;
    constexpr int kLastSecondFamilyType = 299;
    constexpr int kWired = 0;
    if (deviceType < kFirstSecondFamilyType || deviceType > kLastSecondFamilyType) return layoutFlags;
    return connectionMode == kWired ? kWiredSecondFamilyFlags : kWirelessSecondFamilyFlags;
}
