#include <SDL.h>

#include <array>
#include <cstdint>

#include "platform/linux/KeyNamesSdl_p.h"

namespace keynames {
namespace {

// Set-1 scan code -> USB HID usage (= SDL scancode) of the character keys.
constexpr std::array<uint8_t, 0x57> MakeScanToUsage() {
    std::array<uint8_t, 0x57> t{};
    for (int scan = 0x02; scan <= 0x0A; ++scan) t[scan] = static_cast<uint8_t>(scan + 0x1C);  // 1-9
    t[0x0B] = 0x27, t[0x0C] = 0x2D, t[0x0D] = 0x2E;
    constexpr uint8_t kTop[] = {0x14, 0x1A, 0x08, 0x15, 0x17, 0x1C, 0x18, 0x0C, 0x12, 0x13, 0x2F, 0x30};  // Q-]
    for (int i = 0; i < 12; ++i) t[0x10 + i] = kTop[i];
    constexpr uint8_t kHome[] = {0x04, 0x16, 0x07, 0x09, 0x0A, 0x0B, 0x0D, 0x0E, 0x0F, 0x33, 0x34, 0x35};  // A-`
    for (int i = 0; i < 12; ++i) t[0x1E + i] = kHome[i];
    constexpr uint8_t kBottom[] = {0x31, 0x1D, 0x1B, 0x06, 0x19, 0x05, 0x11, 0x10, 0x36, 0x37, 0x38};  // \-/
    for (int i = 0; i < 11; ++i) t[0x2B + i] = kBottom[i];
    t[0x56] = 0x64;  // the key between left Shift and Z
    return t;
}
constexpr std::array<uint8_t, 0x57> kScanToUsage = MakeScanToUsage();

}  // namespace

CString LayoutKeyName(unsigned scanCode, bool extended) {
    if (extended || scanCode >= kScanToUsage.size() || kScanToUsage[scanCode] == 0) return CString();
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return CString();
    const SDL_Keycode key = SDL_GetKeyFromScancode(static_cast<SDL_Scancode>(kScanToUsage[scanCode]));
    // Keys that type a character; the others keep their English names.
    if (key <= 0x20 || key == 0x7F || (key & SDLK_SCANCODE_MASK) != 0) return CString();
    const char* name = SDL_GetKeyName(key);
    return name ? CString::FromUtf8(name) : CString();
}

}  // namespace keynames
