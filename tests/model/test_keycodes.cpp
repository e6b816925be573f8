// Key code conversions and key names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/KeyCodes.h"
#include "platform/KeyNames.h"

namespace {

struct VkCase {
    int vk;
    int code;
};

TEST(KeyCodes, VkToDeviceCodeByValue) {
    const VkCase cases[] = {
        {'A', 4},    {'Z', 29},   {'1', 30},  {'9', 38},  {'0', 39},   {13, 40},   {27, 41},   {8, 42},
        {9, 43},     {32, 44},    {189, 45},  {666, 50},  {226, 100},  {20, 57},   {112, 58},  {123, 69},
        {124, 104},  {135, 115},  {44, 70},   {19, 72},   {38, 82},    {144, 83},  {108, 88},  {97, 89},
        {105, 97},   {96, 98},    {110, 99},  {162, 224}, {92, 231},   {93, 101},  {254, 175}, {137, 137},
        {181, 232},  {182, 249},  {173, 235}, {7, 0},     {0, 0},      {255, 0},   {-1, 0},    {100000, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(VkToDeviceCode(c.vk), c.code) << "vk " << c.vk;
}

TEST(KeyCodes, VkToDeviceCodeByPositionKeepsEveryTypedKey) {
    const auto layout = keynames::CurrentKeyboardLayout();
    const VkCase cases[] = {
        // Letters and punctuation by position.
        {'A', 4}, {'Q', 20}, {'M', 16}, {189, 45}, {191, 56}, {192, 53}, {20, 57},
        // Digits by position, not F12 for '0'.
        {'1', 30}, {'5', 34}, {'9', 38}, {'0', 39},
        // Function keys.
        {112, 58}, {121, 67}, {122, 68}, {123, 69}, {124, 104},
        // Keys the position table does not know fall back to the VK value.
        {13, 40}, {27, 41}, {8, 42}, {9, 43}, {32, 44}, {37, 80}, {38, 82}, {39, 79}, {40, 81},
        {36, 74}, {45, 73}, {46, 76}, {144, 83}, {44, 70}, {145, 71}, {19, 72},
        // Keypad keys stay keypad keys (their scan codes are shared with
        // Print Screen and "/").
        {96, 98}, {97, 89}, {105, 97}, {106, 85}, {107, 87}, {109, 86}, {110, 99}, {111, 84},
        // Modifiers and consumer keys.
        {160, 225}, {165, 230}, {91, 227}, {93, 101}, {173, 235}, {179, 238}, {7, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(VkToDeviceCodeByPosition(c.vk, layout), c.code) << "vk " << c.vk;
}

TEST(KeyCodes, RecordedWordAndNumberReachTheKeyboardWhole) {
    // "hello" Enter "2026": every key arrives, none as F12.
    const std::vector<int> vks = {'H', 'E', 'L', 'L', 'O', 13, '2', '0', '2', '6'};
    std::vector<int> codes;
    for (int vk : vks) codes.push_back(VkToDeviceCodeByPosition(vk, keynames::CurrentKeyboardLayout()));
    EXPECT_EQ(codes, (std::vector<int>{11, 8, 15, 15, 18, 40, 31, 39, 31, 35}));
}

TEST(KeyCodes, KeyboardUsagesComeBackAsTheirVirtualKeys) {
    // A recorder sees a key as a USB usage, reports it as the system would
    // (scan code, extended flag, VK), and the macro upload turns the VK back
    // into the device code: every key of the keyboard usage page survives.
    const auto layout = keynames::CurrentKeyboardLayout();
    int checked = 0;
    for (int vk = 1; vk < 256; ++vk) {
        const int usage = VkToDeviceCode(vk);
        if (usage < 4 || (usage > 101 && usage < 104) || (usage > 115 && usage < 224) || usage > 231) continue;
        if (vk == 12 || vk == 16 || vk == 17 || vk == 18) continue;  // no key of their own
        unsigned scan = 0;
        bool extended = false;
        ASSERT_TRUE(keynames::UsageToScanCode(static_cast<unsigned>(usage), scan, extended)) << "usage " << usage;
        const unsigned back = keynames::ScanCodeToVk(scan, extended, layout);
        EXPECT_EQ(static_cast<int>(back), vk) << "usage " << usage << " scan " << scan;
        EXPECT_EQ(VkToDeviceCodeByPosition(static_cast<int>(back), layout), usage) << "vk " << vk;
        ++checked;
    }
    EXPECT_GT(checked, 100);
    unsigned scan = 0;
    bool extended = false;
    EXPECT_FALSE(keynames::UsageToScanCode(0, scan, extended));
    EXPECT_FALSE(keynames::UsageToScanCode(0x66, scan, extended));
    EXPECT_FALSE(keynames::UsageToScanCode(5000, scan, extended));
}

TEST(KeyCodes, DeviceCodeNames) {
    const std::pair<int, const char16_t*> cases[] = {
        {4, u"A"},       {29, u"Z"},     {30, u"1"},      {38, u"9"},     {39, u"0"},      {89, u"1"},
        {98, u"0"},      {40, u"ENTER"}, {42, u"backspace"}, {45, u"-_"}, {49, u"\\"},     {52, u"'"},
        {57, u"CAPS"},   {58, u"F1"},    {69, u"F12"},    {72, u"PASE"},  {75, u"PG UP"},  {82, u"UP"},
        {83, u"NumLock"}, {88, u"Enter"}, {99, u"."},     {101, u"MENU"}, {175, u"FN"},    {224, u"CTRL"},
        {230, u"RALT"},  {231, u""},     {50, u""},       {0, u""},       {100, u""},      {-5, u""},
        {300, u""},
    };
    for (const auto& [code, name] : cases) EXPECT_EQ(DeviceCodeName(code), CString(name)) << "code " << code;
}

TEST(KeyCodes, DisplayNamesWithOverrides) {
    struct NameCase {
        int vk;
        VkNameVariant variant;
        const char16_t* name;
    };
    const NameCase cases[] = {
        {124, VkNameVariant::Dialog, u"F13"},
        {135, VkNameVariant::Dialog, u"F24"},
        {222, VkNameVariant::Dialog, u"'\""},
        {220, VkNameVariant::Dialog, u"\\||"},
        {19, VkNameVariant::Dialog, u"Pause"},
        {144, VkNameVariant::Recorder, u"Num Lock"},
        {91, VkNameVariant::RawInput, u"Windows"},
        {16, VkNameVariant::Recorder, u"Shift"},
        {162, VkNameVariant::Recorder, u"Ctrl"},
        {163, VkNameVariant::RawInput, u"RCtrl"},
        {173, VkNameVariant::Recorder, u"Vol Mute"},
        {166, VkNameVariant::Recorder, u"Web-Backward"},
        {183, VkNameVariant::Recorder, u"Calculator"},
        // System names: navigation keys carry the extended bit, so they are
        // not named as the keypad keys sharing their scan codes.
        {36, VkNameVariant::Dialog, u"Home"},
        {45, VkNameVariant::Dialog, u"Insert"},
        {46, VkNameVariant::Recorder, u"Delete"},
        {38, VkNameVariant::Dialog, u"Up"},
        {103, VkNameVariant::Dialog, u"Num 7"},
        {'A', VkNameVariant::Dialog, u"A"},
        {13, VkNameVariant::Dialog, u"Enter"},
        {16, VkNameVariant::Dialog, u"Shift"},
        {124, VkNameVariant::Recorder, u"F13"},
        // No override and no key: nothing.
        {173, VkNameVariant::RawInput, u""},
        {7, VkNameVariant::Dialog, u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VkDisplayName(c.vk, c.variant), CString(c.name))
            << "vk " << c.vk << " variant " << static_cast<int>(c.variant);
}

TEST(KeyCodes, HookRecorderKeypadCorrection) {
    struct Case {
        int vk, scan;
        bool extended;
        int expected;
    };
    const Case cases[] = {
        {36, 71, false, 103}, {38, 72, false, 104}, {33, 73, false, 105}, {37, 75, false, 100},
        {12, 76, false, 101}, {39, 77, false, 102}, {35, 79, false, 97},  {40, 80, false, 98},
        {34, 81, false, 99},  {45, 82, false, 96},  {46, 83, false, 110},
        // The navigation block carries the extended flag and stays as it is.
        {36, 71, true, 36},   {46, 83, true, 46},
        // Enter: the keypad one is extended.
        {13, 28, true, 108},  {13, 28, false, 13},  {'A', 30, false, 'A'},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CorrectRecordedKeypadVk(c.vk, c.scan, c.extended), c.expected) << "scan " << c.scan;
}

}  // namespace
