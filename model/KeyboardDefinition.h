// KeyboardDefinition: everything the program knows about the selected
// keyboard model, filled from its layout file: pages, firmware, lighting
// defaults and modes, the picture and its keys, the key grid and the
// code -> key index maps every per-key table sent to the keyboard uses.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "model/KeyItem.h"
#include "model/LightModeInfo.h"
#include "ui/base/CString.h"
#include "ui/base/Geometry.h"

class KeyboardDefinition {
public:
    // Page flag bits.
    static constexpr int kPageKeys = 0x01;   // key-assignment page (tab 1) and its picture
    static constexpr int kPageMacro = 0x02;  // macro page (tab 2)
    static constexpr int kPageLight = 0x04;  // lighting page (tab 3) and its picture
    static constexpr int kPageThird = 0x40;  // tab 7 and the third picture
    // A layout with a menu starts from these pages.
    static constexpr int kMenuBaseFlags = kPageKeys | kPageThird;  // 65
    // Second-family pages after a scan, by connection.
    static constexpr int kWiredSecondFamilyFlags = kPageKeys | kPageMacro | kPageLight | kPageThird;  // 71
    static constexpr int kWirelessSecondFamilyFlags = kPageLight | kPageThird;                         // 68

    static constexpr int kGridRows = 8;
    static constexpr int kGridColumns = 32;
    static constexpr uint8_t kNoKey = 0xFF;
    using KeyGrid = std::array<std::array<uint8_t, kGridColumns>, kGridRows>;

    KeyboardDefinition() { ResetGrid(); }

    // Back to the state before any layout was read.
    void Reset();
    void ResetGrid();

    // Index in the per-key tables of a key code; -1 when the layout has no
    // such key.
    [[nodiscard]] int KeyIndexOf(int code) const;
    [[nodiscard]] int LightIndexOf(int code) const;
    // Grid cell; kNoKey outside the grid.
    [[nodiscard]] uint8_t GridAt(int row, int column) const noexcept;
    [[nodiscard]] const LightModeInfo* FindLightMode(int mode) const;
    // The firmware-upgrade button is offered only for a layout that names
    // both a firmware version and its update tool.
    [[nodiscard]] bool HasFirmwareUpdate() const noexcept {
        return !firmwareVersion.IsEmpty() && !firmwareFile.IsEmpty();
    }
    // Page flags after a scan: second-family types (201-299) show every page
    // when wired and only the lighting pages over receiver or Bluetooth;
    // other types keep the layout's flags.
    [[nodiscard]] static int PageFlagsForConnection(int layoutFlags, int deviceType, int connectionMode) noexcept;

    int deviceType = 0;
    CString deviceName;      // also names the profile database file
    int pageFlags = 0;
    bool sleepTimeSupported = false;
    CString firmwareVersion;
    CString firmwareFile;
    CString firmwareUrl;
    bool rgbKeyboard = false;
    int defaultMode = 0;
    int defaultBrightness = 0;
    int defaultSpeed = 0;
    int brightnessMax = 0;
    int speedMax = 0;
    std::vector<LightModeInfo> lightModes;

    // Picture placement (window coordinates) and file.
    CRect pictureRect;
    CString pictureImage;  // "keyboard\" + image; empty without a Keyboard element
    int rowCount = 0;
    int columnCount = 0;
    KeyGrid keyGrid{};
    std::map<int, int> keyIndexMap;    // code -> key_index
    std::map<int, int> lightIndexMap;  // code -> lighting position (the key_index as well)
    std::vector<KeyItem> keys;         // in file order, as handed to the pictures
};
