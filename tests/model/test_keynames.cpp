// The VK <-> scan code tables and the built-in key names.
#include <gtest/gtest.h>

#include "platform/KeyNames.h"

namespace {

bool IsExtendedVk(unsigned vk) {
    return (vk >= 33 && vk <= 40) || vk == 45 || vk == 46 || vk == 91 || vk == 92 || vk == 93 || vk == 111 ||
           vk == 108 || vk == 163 || vk == 165 || vk == 144 || vk == 44;
}

TEST(KeyNames, ScanCodesFollowTheUsPositions) {
    const auto layout = keynames::CurrentKeyboardLayout();
    const std::pair<unsigned, unsigned> cases[] = {
        {'A', 0x1E}, {'Q', 0x10}, {'Z', 0x2C}, {'1', 0x02}, {'0', 0x0B}, {13, 0x1C}, {27, 0x01}, {32, 0x39},
        {38, 0x48},  {36, 0x47},  {103, 0x47}, {106, 0x37}, {111, 0x35}, {122, 0x57}, {123, 0x58}, {124, 0x64},
        {135, 0x76}, {163, 0x1D}, {161, 0x36}, {192, 0x29}, {226, 0x56}, {173, 0},    {7, 0},     {1000, 0},
    };
    for (const auto& [vk, scan] : cases) EXPECT_EQ(keynames::VkToScanCode(vk, layout), scan) << "vk " << vk;
}

TEST(KeyNames, ScanCodeToVkInvertsTheTable) {
    const auto layout = keynames::CurrentKeyboardLayout();
    for (unsigned vk = 1; vk < 256; ++vk) {
        const unsigned scan = keynames::VkToScanCode(vk, layout);
        if (scan == 0) continue;
        unsigned expected = vk;
        if (vk == 16) expected = 160;  // the generic modifiers come back as left ones
        if (vk == 17) expected = 162;
        if (vk == 18) expected = 164;
        if (vk == 12) expected = 101;  // Clear is the keypad 5
        const unsigned back = keynames::ScanCodeToVk(scan, IsExtendedVk(vk), layout);
        if (vk == 19 || vk == 144 || vk == 44) continue;  // Pause / Num Lock / Print Screen share codes
        EXPECT_EQ(back, expected) << "vk " << vk << " scan " << scan;
    }
    EXPECT_EQ(keynames::ScanCodeToVk(0x45, false, layout), 19u);
    EXPECT_EQ(keynames::ScanCodeToVk(0x45, true, layout), 144u);
    EXPECT_EQ(keynames::ScanCodeToVk(0x37, true, layout), 44u);
    EXPECT_EQ(keynames::ScanCodeToVk(500, false, layout), 0u);
}

TEST(KeyNames, KeyNameTextWithoutDisplayIsEnglish) {
    const std::pair<long, const char16_t*> cases[] = {
        {0x1EL << 16, u"A"},
        {0x01L << 16, u"Esc"},
        {0x47L << 16, u"Num 7"},
        {(0x147L) << 16, u"Home"},
        {(0x11DL) << 16, u"Right Ctrl"},
        {0x3AL << 16, u"Caps Lock"},
        {0x57L << 16, u"F11"},
        {0x6EL << 16, u"F23"},
        {0x00L << 16, u""},
        {0x7FL << 16, u""},
    };
    for (const auto& [param, name] : cases) EXPECT_EQ(keynames::KeyNameText(param), CString(name)) << param;
}

}  // namespace
