// Key codes and key names: conversions between Windows virtual-key codes
// (VK, what recorders and exchange files carry), device key codes (the byte
// the keyboard firmware uses: USB HID keyboard usages, 175 for Fn, 232-249
// for consumer functions, 0 for none) and display names.
#pragma once

#include <cstdint>

#include "platform/KeyNames.h"
#include "ui/base/CString.h"

// Device key codes with a meaning of their own.
inline constexpr int kDeviceCodeNone = 0;
inline constexpr int kDeviceCodeFn = 175;
inline constexpr int kDeviceCodeFirstConsumer = 232;
inline constexpr int kDeviceCodeLastConsumer = 249;

// Layout-independent conversion by VK value; 0 for a VK without a key.
[[nodiscard]] int VkToDeviceCode(int vk) noexcept;

// Conversion through the key's scan code under a keyboard layout, so that a
// recorded key keeps its physical position (letters, punctuation); keys the
// position table does not know (Enter, arrows, keypad, ...) fall back to
// VkToDeviceCode.
[[nodiscard]] int VkToDeviceCodeByPosition(int vk, keynames::KeyboardLayout layout) noexcept;

// Short upper-case label of a device key code; empty for codes without one.
[[nodiscard]] CString DeviceCodeName(int code);

// Which override table VkDisplayName applies on top of the system's name.
enum class VkNameVariant {
    Dialog,    // custom-key dialog
    Recorder,  // macro recording from the keyboard hook
    RawInput,  // raw-input recorder: the recorder's names without the media and browser ones
};

// Name of a VK for dialogs and macro steps.
[[nodiscard]] CString VkDisplayName(int vk, VkNameVariant variant);

// The hook recorder's correction of keypad keys: with Num Lock off the keypad
// reports navigation VKs without the extended flag; those become the keypad
// digits (and the decimal point), and the extended Enter becomes the keypad
// Enter (VK 108). Any other key keeps its VK.
[[nodiscard]] int CorrectRecordedKeypadVk(int vk, int scanCode, bool extended) noexcept;
