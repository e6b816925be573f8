// Keyboard layout services the key-code conversions need: the virtual-key
// <-> scan code mapping and the key name text of the system.
//
// Codes stay those of Windows (virtual-key codes, set-1 scan codes), which is
// what macros, exchange files and the device tables carry. On Linux the
// mapping is the US position table for every layout (a recorded key is
// identified by where it sits, not by what it types); names come from the
// current layout through SDL where a display is open, from a built-in
// English table where none is.
#pragma once

#include <cstdint>

#include "ui/base/CString.h"

namespace keynames {

// An opaque keyboard layout handle.
using KeyboardLayout = uintptr_t;

// The layout of the calling thread.
[[nodiscard]] KeyboardLayout CurrentKeyboardLayout() noexcept;

// Scan code of a VK (without the extended prefix); 0 when the VK has no key.
[[nodiscard]] unsigned VkToScanCode(unsigned vk, KeyboardLayout layout) noexcept;

// VK of a scan code; the extended flag tells the navigation block, the right
// modifiers and the keypad Enter and "/" from the keys sharing their codes.
// 0 when the code has no key.
[[nodiscard]] unsigned ScanCodeToVk(unsigned scanCode, bool extended, KeyboardLayout layout) noexcept;

// Set-1 scan code and extended flag of the key at a USB HID keyboard usage
// (page 0x07; SDL's scancodes are these numbers), by US position. False for
// a usage without a set-1 code. Recorders use it to report keys as the
// system would.
[[nodiscard]] bool UsageToScanCode(unsigned usage, unsigned& scanCode, bool& extended) noexcept;

// Key name text of a keyboard message parameter: bits 16-23 the scan code,
// bit 24 the extended flag. Empty when the key has no name. At most 259
// characters.
[[nodiscard]] CString KeyNameText(long keyParam);

// The built-in English names alone (what KeyNameText gives without a
// display); for tests and for callers that want layout-free names.
[[nodiscard]] CString EnglishKeyName(unsigned scanCode, bool extended);

}  // namespace keynames
