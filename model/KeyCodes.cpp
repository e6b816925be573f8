#include "model/KeyCodes.h"

#include <array>

namespace {

// VK values that do not fit the 256-entry tables.
constexpr int kVkNonUsHash = 666;         // the Non-US # key, as the recorders report it
constexpr int kDeviceNonUsHash = 50;
constexpr int kScanNonUsHash = 666;

using CodeTable = std::array<uint8_t, 256>;

// VK -> device key code, independent of the keyboard layout.
constexpr CodeTable MakeVkTable() {
    CodeTable t{};
    for (int vk = 'A'; vk <= 'Z'; ++vk) t[vk] = static_cast<uint8_t>(vk - 61);
    for (int vk = '1'; vk <= '9'; ++vk) t[vk] = static_cast<uint8_t>(vk - 19);
    t['0'] = 39;
    t[13] = 40, t[27] = 41, t[8] = 42, t[9] = 43, t[32] = 44;
    t[189] = 45, t[187] = 46, t[219] = 47, t[221] = 48, t[220] = 49, t[186] = 51, t[222] = 52, t[192] = 53;
    t[188] = 54, t[190] = 55, t[191] = 56, t[226] = 100;
    t[20] = 57;
    for (int i = 0; i < 12; ++i) t[112 + i] = static_cast<uint8_t>(58 + i);    // F1-F12
    for (int i = 0; i < 12; ++i) t[124 + i] = static_cast<uint8_t>(104 + i);   // F13-F24
    t[44] = 70, t[145] = 71, t[19] = 72, t[45] = 73, t[36] = 74, t[33] = 75, t[46] = 76, t[35] = 77, t[34] = 78;
    t[39] = 79, t[37] = 80, t[40] = 81, t[38] = 82;
    t[144] = 83, t[111] = 84, t[106] = 85, t[109] = 86, t[107] = 87, t[108] = 88;
    for (int i = 0; i < 9; ++i) t[97 + i] = static_cast<uint8_t>(89 + i);      // keypad 1-9
    t[96] = 98, t[110] = 99;
    t[162] = 224, t[160] = 225, t[164] = 226, t[91] = 227, t[163] = 228, t[161] = 229, t[165] = 230, t[92] = 231;
    t[93] = 101;
    t[254] = static_cast<uint8_t>(kDeviceCodeFn);
    for (int vk = 136; vk <= 139; ++vk) t[vk] = static_cast<uint8_t>(vk);
    // Consumer functions.
    t[181] = 232, t[174] = 233, t[175] = 234, t[173] = 235, t[178] = 236, t[177] = 237, t[179] = 238;
    t[176] = 239, t[180] = 240, t[172] = 241, t[183] = 242, t[166] = 243, t[167] = 244, t[169] = 245;
    t[168] = 246, t[170] = 247, t[171] = 248, t[182] = 249;
    return t;
}
constexpr CodeTable kVkTable = MakeVkTable();

// Set-1 scan code -> device key code by physical position.
constexpr CodeTable MakePositionTable() {
    CodeTable t{};
    // Letters.
    constexpr std::array<std::array<uint8_t, 2>, 26> kLetters = {{{30, 4},  {48, 5},  {46, 6},  {32, 7},  {18, 8},
                                                                  {33, 9},  {34, 10}, {35, 11}, {23, 12}, {36, 13},
                                                                  {37, 14}, {38, 15}, {50, 16}, {49, 17}, {24, 18},
                                                                  {25, 19}, {16, 20}, {19, 21}, {31, 22}, {20, 23},
                                                                  {22, 24}, {47, 25}, {17, 26}, {45, 27}, {21, 28},
                                                                  {44, 29}}};
    for (const auto& [scan, code] : kLetters) t[scan] = code;
    // Digits 1-9 and 0 by position.
    for (int scan = 2; scan <= 10; ++scan) t[scan] = static_cast<uint8_t>(scan + 28);
    t[11] = 39;
    // Punctuation, Caps Lock.
    t[12] = 45, t[13] = 46, t[26] = 47, t[27] = 48, t[43] = 49, t[39] = 51, t[40] = 52, t[41] = 53;
    t[51] = 54, t[52] = 55, t[53] = 56, t[58] = 57;
    // F1-F10, F11, F12.
    for (int scan = 59; scan <= 68; ++scan) t[scan] = static_cast<uint8_t>(scan - 1);
    t[133] = 68, t[87] = 68, t[88] = 69;
    for (int scan = 124; scan <= 132; ++scan) t[scan] = static_cast<uint8_t>(scan - 20);
    t[134] = 114, t[135] = 115;
    t[55] = 70, t[70] = 71;
    return t;
}
constexpr CodeTable kPositionTable = MakePositionTable();

constexpr bool IsKeypadVk(int vk) {
    return vk >= 96 && vk <= 111;  // keypad digits, operators, separator, decimal point
}

}  // namespace

int VkToDeviceCode(int vk) noexcept {
    if (vk == kVkNonUsHash) return kDeviceNonUsHash;
    if (vk < 0 || vk > 255) return kDeviceCodeNone;
    return kVkTable[static_cast<size_t>(vk)];
}

int VkToDeviceCodeByPosition(int vk, keynames::KeyboardLayout layout) noexcept {
    switch (vk) {
        case 91: return 227;
        case 92: return 231;
        case 93: return 101;
        case 160: return 225;
        case 161: return 229;
        case 162: return 224;
        case 163: return 228;
        case 164: return 226;
        case 165: return 230;
        default: break;
    }
    // Keypad keys share their scan codes with main-block keys (keypad * with
    // Print Screen, keypad / with "/"), and are the same on every layout.
    if (IsKeypadVk(vk)) return VkToDeviceCode(vk);
    if (vk < 0 || vk > 255) return VkToDeviceCode(vk);
    const unsigned scan = keynames::VkToScanCode(static_cast<unsigned>(vk), layout);
    int code = 0;
    if (scan == kScanNonUsHash) code = kDeviceNonUsHash;
    else if (scan < kPositionTable.size()) code = kPositionTable[scan];
    return code != 0 ? code : VkToDeviceCode(vk);
}

CString DeviceCodeName(int code) {
    static const char16_t* const kPunctuation[] = {u"-_", u"+=", u"[{", u"]}", u"\\"};  // 45-49
    static const char16_t* const kPunctuation2[] = {u";:", u"'", u"~`", u"<,", u">.", u"/?", u"CAPS"};  // 51-57
    static const char16_t* const kControl[] = {u"ENTER", u"ESC", u"backspace", u"TAB", u"SPACE"};   // 40-44
    static const char16_t* const kNavigation[] = {u"PRTSC", u"SCRLK", u"PASE", u"INS",  u"HOME",
                                                  u"PG UP", u"DEL",   u"END",  u"PG DN"};  // 70-78
    static const char16_t* const kArrows[] = {u"RIGHT", u"LEFT", u"DOWN", u"UP"};  // 79-82
    static const char16_t* const kKeypad[] = {u"NumLock", u"/", u"*", u"-", u"+", u"Enter"};  // 83-88
    static const char16_t* const kModifiers[] = {u"CTRL", u"SHIFT", u"ALT", u"WIN", u"RCTRL", u"RSHIFT", u"RALT"};  // 224-230

    if (code >= 4 && code <= 29) return CString(1, static_cast<char16_t>(u'A' + code - 4));
    if (code >= 30 && code <= 38) return CString(1, static_cast<char16_t>(u'1' + code - 30));
    if (code >= 89 && code <= 97) return CString(1, static_cast<char16_t>(u'1' + code - 89));
    if (code == 39 || code == 98) return u"0";
    if (code >= 40 && code <= 44) return kControl[code - 40];
    if (code >= 45 && code <= 49) return kPunctuation[code - 45];
    if (code >= 51 && code <= 57) return kPunctuation2[code - 51];
    if (code >= 58 && code <= 69) return CString::FormatUtf8("F%d", code - 57);
    if (code >= 70 && code <= 78) return kNavigation[code - 70];
    if (code >= 79 && code <= 82) return kArrows[code - 79];
    if (code >= 83 && code <= 88) return kKeypad[code - 83];
    if (code == 99) return u".";
    if (code == 101) return u"MENU";
    if (code == kDeviceCodeFn) return u"FN";
    if (code >= 224 && code <= 230) return kModifiers[code - 224];
    return CString();
}

namespace {

// Names both recorders use.
const char16_t* RecorderOverride(int vk, bool withMedia) {
    switch (vk) {
        case 16: case 160: return u"Shift";
        case 17: case 162: return u"Ctrl";
        case 18: case 164: return u"Alt";
        case 161: return u"RShift";
        case 163: return u"RCtrl";
        case 165: return u"RAlt";
        case 19: return u"Pause";
        case 44: return u"Print Screen";
        case 91: return u"Windows";
        case 92: return u"RWindows";
        case 93: return u"Application";
        case 144: return u"Num Lock";
        default: break;
    }
    if (!withMedia) return nullptr;
    static const char16_t* const kMedia[] = {
        u"Web-Backward", u"Web-Forward", u"Web-Refresh", u"Web-Stop",   u"Web-Search",  u"Web-Favorites",
        u"Web-Home",     u"Vol Mute",    u"Vol Down",    u"Vol Up",     u"Next Track",  u"Prev Track",
        u"Stop",         u"Play/Pause",  u"EMail",       u"Multimedia", u"My Computer", u"Calculator"};  // 166-183
    if (vk >= 166 && vk <= 183) return kMedia[vk - 166];
    return nullptr;
}

const char16_t* DialogOverride(int vk) {
    switch (vk) {
        case 19: return u"Pause";
        case 44: return u"Print Screen";
        case 91: return u"Windows";
        case 92: return u"RWindows";
        case 93: return u"Application";
        case 144: return u"Num Lock";
        case 192: return u"`~";
        case 189: return u"-_";
        case 187: return u"=+";
        case 219: return u"[{";
        case 221: return u"]}";
        case 220: return u"\\||";
        case 186: return u";:";
        case 222: return u"'\"";
        case 188: return u"<,";
        case 190: return u">.";
        case 191: return u"?/";
        default: return nullptr;
    }
}

constexpr unsigned kExtendedScanBit = 0x100;
constexpr int kKeyNameScanShift = 16;

}  // namespace

CString VkDisplayName(int vk, VkNameVariant variant) {
    if (variant == VkNameVariant::Dialog) {
        if (vk >= 124 && vk <= 135) return CString::FormatUtf8("F%d", vk - 111);
        if (const char16_t* name = DialogOverride(vk)) return name;
    } else if (const char16_t* name = RecorderOverride(vk, variant == VkNameVariant::Recorder)) {
        return name;
    }
    if (vk < 0 || vk > 255) return CString();
    unsigned scan = keynames::VkToScanCode(static_cast<unsigned>(vk), keynames::CurrentKeyboardLayout());
    // Page keys, arrows, Insert and Delete are named as the navigation block,
    // not as the keypad keys that share their scan codes.
    if ((vk >= 33 && vk <= 40) || vk == 45 || vk == 46) scan |= kExtendedScanBit;
    return keynames::KeyNameText(static_cast<long>(scan) << kKeyNameScanShift);
}

int CorrectRecordedKeypadVk(int vk, int scanCode, bool extended) noexcept {
    constexpr int kScanEnter = 28;
    constexpr int kVkSeparator = 108;
    if (extended) return scanCode == kScanEnter ? kVkSeparator : vk;
    switch (scanCode) {
        case 71: return 103;
        case 72: return 104;
        case 73: return 105;
        case 75: return 100;
        case 76: return 101;
        case 77: return 102;
        case 79: return 97;
        case 80: return 98;
        case 81: return 99;
        case 82: return 96;
        case 83: return 110;
        default: return vk;
    }
}
