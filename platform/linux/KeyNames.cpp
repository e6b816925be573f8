// VK <-> set-1 scan code by US key position, and the English key names.

#include <array>
#include <cstdint>

#include "platform/KeyNames.h"
#include "platform/linux/KeyNamesSdl_p.h"

namespace keynames {
namespace {

// VK -> scan code as the system maps it for a US layout (no extended prefix:
// the arrows give the keypad codes, right Ctrl the left one).
constexpr std::array<uint8_t, 256> MakeVkToScan() {
    std::array<uint8_t, 256> t{};
    t[8] = 0x0E, t[9] = 0x0F, t[12] = 0x4C, t[13] = 0x1C, t[16] = 0x2A, t[17] = 0x1D, t[18] = 0x38, t[19] = 0x45;
    t[20] = 0x3A, t[27] = 0x01, t[32] = 0x39;
    t[33] = 0x49, t[34] = 0x51, t[35] = 0x4F, t[36] = 0x47, t[37] = 0x4B, t[38] = 0x48, t[39] = 0x4D, t[40] = 0x50;
    t[44] = 0x54, t[45] = 0x52, t[46] = 0x53;
    t['0'] = 0x0B;
    for (int vk = '1'; vk <= '9'; ++vk) t[vk] = static_cast<uint8_t>(vk - '1' + 0x02);
    constexpr const char* kLetterScans = "\x1E\x30\x2E\x20\x12\x21\x22\x23\x17\x24\x25\x26\x32\x31\x18\x19\x10\x13"
                                         "\x1F\x14\x16\x2F\x11\x2D\x15\x2C";  // A-Z
    for (int i = 0; i < 26; ++i) t['A' + i] = static_cast<uint8_t>(kLetterScans[i]);
    t[91] = 0x5B, t[92] = 0x5C, t[93] = 0x5D;
    t[96] = 0x52, t[97] = 0x4F, t[98] = 0x50, t[99] = 0x51, t[100] = 0x4B, t[101] = 0x4C, t[102] = 0x4D;
    t[103] = 0x47, t[104] = 0x48, t[105] = 0x49, t[106] = 0x37, t[107] = 0x4E, t[108] = 0x1C, t[109] = 0x4A;
    t[110] = 0x53, t[111] = 0x35;
    for (int i = 0; i < 10; ++i) t[112 + i] = static_cast<uint8_t>(0x3B + i);  // F1-F10
    t[122] = 0x57, t[123] = 0x58;                                                // F11, F12
    for (int i = 0; i < 11; ++i) t[124 + i] = static_cast<uint8_t>(0x64 + i);  // F13-F23
    t[135] = 0x76;                                                               // F24
    t[144] = 0x45, t[145] = 0x46;
    t[160] = 0x2A, t[161] = 0x36, t[162] = 0x1D, t[163] = 0x1D, t[164] = 0x38, t[165] = 0x38;
    t[186] = 0x27, t[187] = 0x0D, t[188] = 0x33, t[189] = 0x0C, t[190] = 0x34, t[191] = 0x35, t[192] = 0x29;
    t[219] = 0x1A, t[220] = 0x2B, t[221] = 0x1B, t[222] = 0x28, t[226] = 0x56;
    return t;
}
constexpr std::array<uint8_t, 256> kVkToScan = MakeVkToScan();

// Scan code -> VK without and with the extended flag.
struct ScanVk {
    std::array<uint8_t, 128> plain{};
    std::array<uint8_t, 128> extended{};
};
constexpr ScanVk MakeScanToVk() {
    ScanVk t{};
    // The generic modifiers and the main block first, so the inverse of the
    // VK table prefers them; then the keypad for the codes without extension.
    for (int vk = 255; vk >= 1; --vk) {
        const uint8_t scan = kVkToScan[static_cast<size_t>(vk)];
        if (scan == 0 || scan >= 128) continue;
        const bool navigation = (vk >= 33 && vk <= 40) || vk == 45 || vk == 46;
        const bool generic = vk == 16 || vk == 17 || vk == 18;
        const bool leftRight = vk >= 160 && vk <= 165;
        if (navigation || generic || leftRight || vk == 12 || vk == 19 || vk == 108 || vk == 111) continue;
        t.plain[scan] = static_cast<uint8_t>(vk);
    }
    t.plain[0x2A] = 160, t.plain[0x36] = 161, t.plain[0x1D] = 162, t.plain[0x38] = 164;
    t.plain[0x45] = 19;  // Pause without the prefix; Num Lock carries it
    t.plain[0x47] = 103, t.plain[0x48] = 104, t.plain[0x49] = 105, t.plain[0x4B] = 100, t.plain[0x4C] = 101;
    t.plain[0x4D] = 102, t.plain[0x4F] = 97, t.plain[0x50] = 98, t.plain[0x51] = 99, t.plain[0x52] = 96;
    t.plain[0x53] = 110, t.plain[0x35] = 191, t.plain[0x1C] = 13, t.plain[0x37] = 106;
    t.extended = t.plain;
    t.extended[0x47] = 36, t.extended[0x48] = 38, t.extended[0x49] = 33, t.extended[0x4B] = 37;
    t.extended[0x4D] = 39, t.extended[0x4F] = 35, t.extended[0x50] = 40, t.extended[0x51] = 34;
    t.extended[0x52] = 45, t.extended[0x53] = 46, t.extended[0x1D] = 163, t.extended[0x38] = 165;
    t.extended[0x35] = 111, t.extended[0x1C] = 108, t.extended[0x37] = 44, t.extended[0x45] = 144;
    t.extended[0x5B] = 91, t.extended[0x5C] = 92, t.extended[0x5D] = 93, t.extended[0x36] = 161;
    return t;
}
constexpr ScanVk kScanToVk = MakeScanToVk();

// USB HID usage -> set-1 scan code; 0x100 marks the extended prefix.
constexpr std::array<uint16_t, 232> MakeUsageToScan() {
    std::array<uint16_t, 232> t{};
    constexpr uint8_t kLetters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                                      0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    for (int i = 0; i < 26; ++i) t[0x04 + i] = kLetters[i];
    for (int i = 0; i < 9; ++i) t[0x1E + i] = static_cast<uint16_t>(0x02 + i);  // 1-9
    t[0x27] = 0x0B;
    t[0x28] = 0x1C, t[0x29] = 0x01, t[0x2A] = 0x0E, t[0x2B] = 0x0F, t[0x2C] = 0x39;
    t[0x2D] = 0x0C, t[0x2E] = 0x0D, t[0x2F] = 0x1A, t[0x30] = 0x1B, t[0x31] = 0x2B, t[0x32] = 0x2B;
    t[0x33] = 0x27, t[0x34] = 0x28, t[0x35] = 0x29, t[0x36] = 0x33, t[0x37] = 0x34, t[0x38] = 0x35, t[0x39] = 0x3A;
    for (int i = 0; i < 10; ++i) t[0x3A + i] = static_cast<uint16_t>(0x3B + i);  // F1-F10
    t[0x44] = 0x57, t[0x45] = 0x58;
    t[0x46] = 0x137, t[0x47] = 0x46, t[0x48] = 0x45;
    t[0x49] = 0x152, t[0x4A] = 0x147, t[0x4B] = 0x149, t[0x4C] = 0x153, t[0x4D] = 0x14F, t[0x4E] = 0x151;
    t[0x4F] = 0x14D, t[0x50] = 0x14B, t[0x51] = 0x150, t[0x52] = 0x148;
    t[0x53] = 0x145, t[0x54] = 0x135, t[0x55] = 0x37, t[0x56] = 0x4A, t[0x57] = 0x4E, t[0x58] = 0x11C;
    t[0x59] = 0x4F, t[0x5A] = 0x50, t[0x5B] = 0x51, t[0x5C] = 0x4B, t[0x5D] = 0x4C, t[0x5E] = 0x4D;
    t[0x5F] = 0x47, t[0x60] = 0x48, t[0x61] = 0x49, t[0x62] = 0x52, t[0x63] = 0x53;
    t[0x64] = 0x56, t[0x65] = 0x15D;
    for (int i = 0; i < 11; ++i) t[0x68 + i] = static_cast<uint16_t>(0x64 + i);  // F13-F23
    t[0x73] = 0x76;                                                               // F24
    t[0xE0] = 0x1D, t[0xE1] = 0x2A, t[0xE2] = 0x38, t[0xE3] = 0x15B;
    t[0xE4] = 0x11D, t[0xE5] = 0x36, t[0xE6] = 0x138, t[0xE7] = 0x15C;
    return t;
}
constexpr std::array<uint16_t, 232> kUsageToScan = MakeUsageToScan();

constexpr unsigned kExtendedBit = 1u << 24;
constexpr int kScanShift = 16;
constexpr unsigned kMaxNameLength = 259;

}  // namespace

KeyboardLayout CurrentKeyboardLayout() noexcept {
    // One position table serves every layout.
    return 0;
}

unsigned VkToScanCode(unsigned vk, KeyboardLayout) noexcept {
    return vk < kVkToScan.size() ? kVkToScan[vk] : 0;
}

unsigned ScanCodeToVk(unsigned scanCode, bool extended, KeyboardLayout) noexcept {
    if (scanCode >= kScanToVk.plain.size()) return 0;
    return extended ? kScanToVk.extended[scanCode] : kScanToVk.plain[scanCode];
}

bool UsageToScanCode(unsigned usage, unsigned& scanCode, bool& extended) noexcept {
    if (usage >= kUsageToScan.size() || kUsageToScan[usage] == 0) return false;
    scanCode = kUsageToScan[usage] & 0xFFu;
    extended = (kUsageToScan[usage] & 0x100u) != 0;
    return true;
}

CString EnglishKeyName(unsigned scanCode, bool extended) {
    if (extended) {
        switch (scanCode) {
            case 0x1C: return u"Num Enter";
            case 0x1D: return u"Right Ctrl";
            case 0x35: return u"Num /";
            case 0x37: return u"Prnt Scrn";
            case 0x38: return u"Right Alt";
            case 0x45: return u"Num Lock";
            case 0x46: return u"Break";
            case 0x47: return u"Home";
            case 0x48: return u"Up";
            case 0x49: return u"Page Up";
            case 0x4B: return u"Left";
            case 0x4D: return u"Right";
            case 0x4F: return u"End";
            case 0x50: return u"Down";
            case 0x51: return u"Page Down";
            case 0x52: return u"Insert";
            case 0x53: return u"Delete";
            case 0x5B: return u"Left Windows";
            case 0x5C: return u"Right Windows";
            case 0x5D: return u"Application";
            default: break;
        }
    }
    static const char16_t* const kNames[0x59] = {
        nullptr,  u"Esc",     u"1",        u"2",       u"3",       u"4",         u"5",      u"6",
        u"7",     u"8",       u"9",        u"0",       u"-",       u"=",         u"Backspace", u"Tab",
        u"Q",     u"W",       u"E",        u"R",       u"T",       u"Y",         u"U",      u"I",
        u"O",     u"P",       u"[",        u"]",       u"Enter",   u"Ctrl",      u"A",      u"S",
        u"D",     u"F",       u"G",        u"H",       u"J",       u"K",         u"L",      u";",
        u"'",     u"`",       u"Shift",    u"\\",      u"Z",       u"X",         u"C",      u"V",
        u"B",     u"N",       u"M",        u",",       u".",       u"/",         u"Right Shift", u"Num *",
        u"Alt",   u"Space",   u"Caps Lock", u"F1",     u"F2",      u"F3",        u"F4",     u"F5",
        u"F6",    u"F7",      u"F8",       u"F9",      u"F10",     u"Pause",     u"Scroll Lock", u"Num 7",
        u"Num 8", u"Num 9",   u"Num -",    u"Num 4",   u"Num 5",   u"Num 6",     u"Num +",  u"Num 1",
        u"Num 2", u"Num 3",   u"Num 0",    u"Num Del", u"Sys Req", nullptr,      u"\\",     u"F11",
        u"F12"};
    if (scanCode < std::size(kNames) && kNames[scanCode]) return kNames[scanCode];
    if (scanCode >= 0x64 && scanCode <= 0x6E) return CString::FormatUtf8("F%u", scanCode - 0x64 + 13);
    if (scanCode == 0x76) return u"F24";
    return CString();
}

CString KeyNameText(long keyParam) {
    const auto bits = static_cast<unsigned long>(keyParam);
    const unsigned scan = static_cast<unsigned>((bits >> kScanShift) & 0xFF);
    const bool extended = (bits & kExtendedBit) != 0;
    CString name = LayoutKeyName(scan, extended);
    if (name.IsEmpty()) name = EnglishKeyName(scan, extended);
    if (name.GetLength() > static_cast<int>(kMaxNameLength)) name = name.Left(static_cast<int>(kMaxNameLength));
    return name;
}

}  // namespace keynames
