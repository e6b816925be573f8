// The device catalogue and layout reader.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "model/KeyboardCatalogue.h"
#include "model/LayoutParse.h"
#include "tests/support/TestEnv.h"

namespace {

std::string U8(const CString& s) {
    return s.ToUtf8();
}

struct RecordingPicture : KeyboardPicture {
    CRect rect;
    CString image;
    int width = 0, height = 0, clears = 0;
    std::vector<KeyItem> items;
    void SetRect(const CRect& r) override { rect = r; }
    void SetKeyboardImage(const CString& f) override { image = f; }
    void SetWidthAndHeight(int w, int h) override { width = w, height = h; }
    void ClearItem() override { ++clears, items.clear(); }
    void AddKeyItem(const KeyItem& item) override { items.push_back(item); }
};

struct RecordingHost : LayoutHost {
    std::vector<std::string> calls;
    RecordingPicture keys, light, third;
    SoftwareInfo software;
    int layoutsLoaded = 0;

    void AddSupportedDevice(int vid, int pid, const CString& product, int type, int mode,
                            const CString& iface) override {
        calls.push_back("supported " + std::to_string(vid) + " " + std::to_string(pid) + " " + U8(product) + " " +
                        std::to_string(type) + " " + std::to_string(mode) + " " + U8(iface));
    }
    void AddDevice(const CString& name, int type) override {
        calls.push_back("device " + U8(name) + " " + std::to_string(type));
    }
    void SetSoftwareInfo(const SoftwareInfo& info) override { software = info; }
    void RegisterDeviceNotifications() override { calls.push_back("notifications"); }
    void CloseStore() override { calls.push_back("close store"); }
    void OpenStore(const CString& folder, const CString& name) override {
        calls.push_back("open store " + U8(folder) + " " + U8(name));
    }
    KeyboardPicture* Picture(int bit) override {
        if (bit == KeyboardDefinition::kPageKeys) return &keys;
        if (bit == KeyboardDefinition::kPageLight) return &light;
        if (bit == KeyboardDefinition::kPageThird) return &third;
        return nullptr;
    }
    void LayoutLoaded(const KeyboardDefinition&) override { ++layoutsLoaded; }
};

const char* const kConfig = R"(<?xml version="1.0" encoding="UTF-8"?>
<config>
<device.info>
<keyboard name="Alpha" device_type="201" device_info="alpha">
<mode value="0" desc="wired" vid="0x1A2B" pid="0x0002" product_name="Alpha Board" hid_interface="VID_1A2B&amp;PID_0002&amp;MI_02"/>
<mode value="2" desc="Bluetooth" vid="1a2b" pid="4" product_name="" hid_interface="VID_1A2B&amp;PID_0004"/>
</keyboard>
<keyboard name="Beta" device_type="202" device_info="beta"/>
<keyboard name="Escape" device_type="203" device_info="../outside"/>
</device.info>
<software name="Ignored" version="2.5.1">
<copyright info="(c) Someone"/>
<website url="https://w.example/"/>
<store url="https://s.example/"/>
<upgrade url="https://u.example/"/>
</software>
</config>
)";

const char* const kAlphaLayout = R"(<?xml version="1.0" encoding="UTF-8"?>
<device.info>
<menu macro="1" light_mode="0"/>
<function sleep_time="1"/>
<firmware version="1.2" file="tool" url="https://fw.example/alpha/"/>
<light rgb_keyboard="1" default_mode="4" default_brightness="5" default_speed="3" brightness_max="5" speed_max="4">
<info name="1001" mode="4" attribute="49"/>
<info name="1007" mode="9" attribute="2049"/>
</light>
<Keyboard xpos="10" ypos="20" width="300" height="100" image="alpha.png" row_count="3" col_count="14">
<KeyItems>
<key code="0x29" name="Esc" desc="Escape" key_index="0" light_index="0" row_col="0,0" rect="1#2#30#40"/>
<key code="2D" name="-" desc="Minus" key_index="7" light_index="7" row_col="2,13" rect="10#20#30#40"/>
<key code="0x04" name="A" desc="A" key_index="3" row_col="2,7" rect="50#20#30#40"/>
<key code="0x05" name="bad row" key_index="4" row_col="8,1" rect="0#0#1#1"/>
<key code="0x06" name="bad col" key_index="5" row_col="1,32" rect="0#0#1#1"/>
<key code="0x07" name="bad form" key_index="6" row_col="12,3" rect="0#0#1#1"/>
</KeyItems>
</Keyboard>
</device.info>
)";

const char* const kBetaLayout = R"(<?xml version="1.0" encoding="UTF-8"?>
<device.info>
<menu macro="0" light_mode="1"/>
<light default_mode="1"><info name="1003" mode="1" attribute="71"/></light>
<Keyboard xpos="0" ypos="0" width="50" height="50" image="beta.png" row_count="1" col_count="2">
<KeyItems>
<key code="0x2C" name="Space" key_index="1" row_col="0,1" rect="0#0#40#40"/>
</KeyItems>
</Keyboard>
</device.info>
)";

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = testenv::MakeTempDir("catalogue");
        std::filesystem::create_directories(m_root + "/layouts");
        m_catalogue.SetDataRoot(CString::FromUtf8(m_root));
        m_catalogue.SetDataFolder(u"/data/");
    }
    void Write(const std::string& relative, const std::string& text) { testenv::WriteFile(m_root + "/" + relative, text); }

    std::string m_root;
    RecordingHost m_host;
    KeyboardCatalogue m_catalogue{&m_host};
};

TEST_F(CatalogueTest, KeyboardWithTwoModesGivesOneKeyboardAndTwoModeLines) {
    Write("config.xml", kConfig);
    Write("layouts/alpha.xml", kAlphaLayout);
    ASSERT_TRUE(m_catalogue.ReadDeviceCatalogue());

    const auto keyboards = m_catalogue.KeyboardList();
    ASSERT_EQ(keyboards.size(), 3u);
    EXPECT_EQ(keyboards[0].name, u"Alpha");
    EXPECT_EQ(keyboards[0].deviceType, 201);
    EXPECT_EQ(keyboards[0].layoutName, u"alpha");
    EXPECT_EQ(keyboards[0].spareNumber, -1);
    EXPECT_EQ(keyboards[1].name, u"Beta");

    const auto modes = m_catalogue.ModeList();
    ASSERT_EQ(modes.size(), 2u);
    for (const auto& mode : modes) {
        EXPECT_EQ(mode.deviceType, 201);
        EXPECT_EQ(mode.layoutName, u"alpha");
        EXPECT_EQ(mode.present, 0);
        // 0x1A2B and 1a2b are the same vendor.
        EXPECT_EQ(mode.vendorId, 0x1A2B);
    }
    EXPECT_EQ(modes[0].name, u"Alpha Board");
    EXPECT_EQ(modes[0].productId, 2);
    EXPECT_EQ(modes[0].modeDescription, u"wired");
    EXPECT_EQ(modes[0].hidInterface, u"VID_1A2B&PID_0002&MI_02");
    EXPECT_EQ(modes[1].modeValue, 2);
    EXPECT_EQ(modes[1].productId, 4);
    EXPECT_EQ(modes[1].name, u"");

    // Registration order: each keyboard, then its modes; then the start
    // layout's store; hot-plug last.
    const std::vector<std::string> expected = {
        "device Alpha 201",
        "supported 6699 2 Alpha Board 201 0 VID_1A2B&PID_0002&MI_02",
        "supported 6699 4  201 2 VID_1A2B&PID_0004",
        "device Beta 202",
        "device Escape 203",
        "close store",
        "open store /data/ Alpha",
        "notifications",
    };
    EXPECT_EQ(m_host.calls, expected);

    EXPECT_EQ(m_host.software.version, u"2.5.1");
    EXPECT_EQ(m_host.software.websiteUrl, u"https://w.example/");
    EXPECT_EQ(m_host.software.storeUrl, u"https://s.example/");
    EXPECT_EQ(m_host.software.upgradeUrl, u"https://u.example/");
    EXPECT_EQ(m_host.software.copyright, u"(c) Someone");
    EXPECT_EQ(m_catalogue.Definition().deviceType, 201);
    EXPECT_EQ(m_catalogue.Definition().deviceName, u"Alpha");
}

TEST_F(CatalogueTest, MissingOrForeignCatalogueLeavesEverythingEmpty) {
    EXPECT_FALSE(m_catalogue.ReadDeviceCatalogue());
    Write("config.xml", "<settings><device.info><keyboard name=\"X\" device_type=\"201\"/></device.info></settings>");
    EXPECT_FALSE(m_catalogue.ReadDeviceCatalogue());
    Write("config.xml", "<config><device.info><keyboard name=\"X\"");  // cut off
    EXPECT_FALSE(m_catalogue.ReadDeviceCatalogue());
    EXPECT_TRUE(m_catalogue.KeyboardList().empty());
    EXPECT_TRUE(m_catalogue.ModeList().empty());
    EXPECT_TRUE(m_host.calls.empty());
}

TEST_F(CatalogueTest, LayoutFillsTheDefinition) {
    Write("config.xml", kConfig);
    Write("layouts/alpha.xml", kAlphaLayout);
    ASSERT_TRUE(m_catalogue.ReadDeviceCatalogue());
    const KeyboardDefinition d = m_catalogue.Definition();

    EXPECT_EQ(d.pageFlags, 67);  // keys, macro and third picture; no lighting
    EXPECT_TRUE(d.sleepTimeSupported);
    EXPECT_EQ(d.firmwareVersion, u"1.2");
    EXPECT_EQ(d.firmwareFile, u"tool");
    EXPECT_EQ(d.firmwareUrl, u"https://fw.example/alpha/");
    EXPECT_TRUE(d.HasFirmwareUpdate());
    EXPECT_TRUE(d.rgbKeyboard);
    EXPECT_EQ(d.defaultMode, 4);
    EXPECT_EQ(d.defaultBrightness, 5);
    EXPECT_EQ(d.defaultSpeed, 3);
    EXPECT_EQ(d.brightnessMax, 5);
    EXPECT_EQ(d.speedMax, 4);
    ASSERT_EQ(d.lightModes.size(), 2u);
    EXPECT_EQ(d.lightModes[1].name, u"1007");
    EXPECT_EQ(d.lightModes[1].mode, 9);
    EXPECT_EQ(d.lightModes[1].attribute, 2049);

    EXPECT_EQ(d.rowCount, 3);
    EXPECT_EQ(d.columnCount, 14);
    EXPECT_EQ(d.pictureRect, CRect(10, 20, 310, 120));
    // Keys whose row_col cannot sit in the grid are not taken.
    ASSERT_EQ(d.keys.size(), 3u);
    EXPECT_EQ(d.GridAt(0, 0), 0x29);
    EXPECT_EQ(d.GridAt(2, 13), 0x2D);  // "2,13"
    EXPECT_EQ(d.GridAt(2, 7), 0x04);   // "2,7"
    EXPECT_EQ(d.GridAt(1, 1), KeyboardDefinition::kNoKey);
    EXPECT_EQ(d.KeyIndexOf(0x2D), 7);  // hexadecimal without 0x
    EXPECT_EQ(d.LightIndexOf(0x2D), 7);
    EXPECT_EQ(d.KeyIndexOf(0x05), -1);
    EXPECT_EQ(d.keys[1].rect, CRect(10, 20, 40, 60));  // 10#20#30#40
    EXPECT_EQ(d.keys[1].description, u"Minus");

    // The key and third pictures get the keys; the lighting page is off.
    EXPECT_EQ(m_host.keys.items.size(), 3u);
    EXPECT_EQ(m_host.third.items.size(), 3u);
    EXPECT_TRUE(m_host.light.items.empty());
    EXPECT_EQ(m_host.keys.rect, CRect(10, 20, 310, 120));
    EXPECT_EQ(m_host.keys.image, u"keyboard\\alpha.png");
    EXPECT_EQ(m_host.keys.width, 300);
    EXPECT_EQ(m_host.keys.height, 100);
    EXPECT_EQ(m_host.keys.items[2].name, u"A");
    EXPECT_TRUE(m_host.keys.items[2].imageName.IsEmpty());
}

TEST_F(CatalogueTest, SecondLayoutReplacesTheFirstCompletely) {
    Write("config.xml", kConfig);
    Write("layouts/alpha.xml", kAlphaLayout);
    Write("layouts/beta.xml", kBetaLayout);
    ASSERT_TRUE(m_catalogue.ReadDeviceCatalogue());
    ASSERT_TRUE(m_catalogue.LoadLayout(202));
    const KeyboardDefinition d = m_catalogue.Definition();

    EXPECT_EQ(d.deviceType, 202);
    EXPECT_EQ(m_catalogue.LoadedDeviceType(), 202);
    EXPECT_EQ(d.deviceName, u"Beta");
    EXPECT_EQ(d.pageFlags, 69);
    EXPECT_FALSE(d.sleepTimeSupported);
    EXPECT_TRUE(d.firmwareUrl.IsEmpty());
    EXPECT_TRUE(d.firmwareVersion.IsEmpty());
    EXPECT_FALSE(d.HasFirmwareUpdate());
    EXPECT_FALSE(d.rgbKeyboard);
    ASSERT_EQ(d.lightModes.size(), 1u);
    EXPECT_EQ(d.lightModes[0].mode, 1);
    EXPECT_EQ(d.keyIndexMap, (std::map<int, int>{{0x2C, 1}}));
    EXPECT_EQ(d.lightIndexMap, (std::map<int, int>{{0x2C, 1}}));
    int filled = 0;
    for (int r = 0; r < KeyboardDefinition::kGridRows; ++r)
        for (int c = 0; c < KeyboardDefinition::kGridColumns; ++c) filled += d.GridAt(r, c) != KeyboardDefinition::kNoKey;
    EXPECT_EQ(filled, 1);
    ASSERT_EQ(m_host.keys.items.size(), 1u);
    EXPECT_EQ(m_host.keys.items[0].code, 0x2C);
    ASSERT_EQ(m_host.light.items.size(), 1u);
    ASSERT_EQ(m_host.third.items.size(), 1u);
    EXPECT_EQ(m_host.calls.back(), "open store /data/ Beta");
}

TEST_F(CatalogueTest, UnreadableLayoutsLeaveTheDefinitionReset) {
    Write("config.xml", kConfig);
    Write("layouts/alpha.xml", kAlphaLayout);
    Write("layouts/beta.xml", "<device.info><menu macro=\"1\"");  // cut off
    ASSERT_TRUE(m_catalogue.ReadDeviceCatalogue());
    ASSERT_EQ(m_host.keys.items.size(), 3u);

    struct Case {
        int type;
        const char* lastCall;
    };
    // Cut-off file; no model of the type (no store opened for it); a layout
    // name that would leave the layouts folder.
    const Case cases[] = {{202, "open store /data/ Beta"}, {999, "close store"}, {203, "open store /data/ Escape"}};
    Write("outside.xml", kAlphaLayout);
    for (const auto& c : cases) {
        ASSERT_TRUE(m_catalogue.LoadLayout(201));
        EXPECT_FALSE(m_catalogue.LoadLayout(c.type)) << c.type;
        const KeyboardDefinition d = m_catalogue.Definition();
        EXPECT_EQ(d.deviceType, c.type);
        EXPECT_EQ(d.pageFlags, 0);
        EXPECT_TRUE(d.keys.empty());
        EXPECT_TRUE(d.keyIndexMap.empty());
        EXPECT_TRUE(d.lightModes.empty());
        EXPECT_TRUE(d.firmwareUrl.IsEmpty());
        EXPECT_EQ(d.rowCount, 0);
        EXPECT_EQ(d.GridAt(0, 0), KeyboardDefinition::kNoKey);
        EXPECT_TRUE(m_host.keys.items.empty()) << c.type;
        EXPECT_EQ(m_host.calls.back(), c.lastCall);
    }
    EXPECT_TRUE(m_catalogue.LayoutPath(u"../outside").IsEmpty());
    EXPECT_TRUE(m_catalogue.LayoutPath(u"a/b").IsEmpty());
    EXPECT_TRUE(m_catalogue.LayoutPath(u"a\\b").IsEmpty());
}

TEST_F(CatalogueTest, KeyboardWithoutUsableGridSizeIsNotTaken) {
    const std::string head = "<device.info><menu macro=\"1\" light_mode=\"1\"/><Keyboard width=\"10\" height=\"10\" ";
    const std::string keys = "><KeyItems><key code=\"4\" key_index=\"0\" row_col=\"0,0\"/></KeyItems></Keyboard></device.info>";
    struct Case {
        const char* counts;
        size_t keys;
    };
    const Case cases[] = {{"row_count=\"1\" col_count=\"1\"", 1},  {"row_count=\"8\" col_count=\"32\"", 1},
                          {"row_count=\"0\" col_count=\"5\"", 0},  {"row_count=\"9\" col_count=\"5\"", 0},
                          {"row_count=\"3\" col_count=\"33\"", 0}, {"row_count=\"3\"", 0},
                          {"row_count=\"-1\" col_count=\"4\"", 0}};
    for (const auto& c : cases) {
        Write("layouts/t.xml", head + c.counts + keys);
        KeyboardDefinition d;
        ASSERT_TRUE(KeyboardCatalogue::ReadLayoutFile(CString::FromUtf8(m_root + "/layouts/t.xml"), d));
        EXPECT_EQ(d.keys.size(), c.keys) << c.counts;
        if (c.keys == 0) {
            EXPECT_EQ(d.rowCount, 0);
            EXPECT_EQ(d.columnCount, 0);
            EXPECT_TRUE(d.keyIndexMap.empty());
        }
    }
}

TEST_F(CatalogueTest, ReadersSeeWholeLayoutsWhileAnotherLoads) {
    Write("config.xml", kConfig);
    Write("layouts/alpha.xml", kAlphaLayout);
    Write("layouts/beta.xml", kBetaLayout);
    m_catalogue.SetHost(nullptr);
    ASSERT_TRUE(m_catalogue.ReadDeviceCatalogue());
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!stop) {
            const KeyboardDefinition d = m_catalogue.Definition();
            const size_t expected = d.deviceType == 201 ? 3u : 1u;
            if (d.keys.size() != expected) ++torn;
        }
    });
    for (int i = 0; i < 50; ++i) {
        m_catalogue.LoadLayout(202);
        m_catalogue.LoadLayout(201);
    }
    stop = true;
    reader.join();
    EXPECT_EQ(torn, 0);
}

TEST_F(CatalogueTest, CutOrGarbledLayoutsNeverLeaveTheGrid) {
    // Every prefix of a layout, and copies with one character replaced by a
    // quote, angle bracket or digit: whatever loads stays inside its bounds.
    const std::string layout = kAlphaLayout;
    const char replacements[] = {'"', '<', '>', '9', '#'};
    for (size_t at = 0; at < layout.size(); ++at) {
        std::vector<std::string> variants = {layout.substr(0, at)};
        for (char c : replacements) variants.push_back(layout.substr(0, at) + c + layout.substr(at + 1));
        for (const std::string& text : variants) {
            KeyboardDefinition d;
            (void)KeyboardCatalogue::ReadLayoutText(CString::FromUtf8(text), d);
            ASSERT_LE(d.keys.size(), 6u);
            ASSERT_GE(d.rowCount, 0);
            ASSERT_LE(d.rowCount, KeyboardDefinition::kGridRows);
            ASSERT_LE(d.columnCount, KeyboardDefinition::kGridColumns);
            if (d.rowCount == 0) {
                ASSERT_TRUE(d.keys.empty());
            }
        }
    }
}

TEST(LayoutParse, Numbers) {
    using layoutparse::ParseDecimal;
    using layoutparse::ParseHex;
    const std::pair<const char16_t*, int> decimals[] = {
        {u"42", 42}, {u" 7", 7}, {u"-3", -3}, {u"+5", 5}, {u"12px", 12}, {u"", 0}, {u"x", 0},
        {u"99999999999", 2147483647}, {u"-99999999999", -2147483647 - 1}};
    for (const auto& [text, value] : decimals) EXPECT_EQ(ParseDecimal(text), value) << U8(text);
    const std::pair<const char16_t*, int> hexes[] = {
        {u"0x1209", 0x1209}, {u"1209", 0x1209}, {u"0X1a2B", 0x1A2B}, {u"1a2b", 0x1A2B}, {u"AF", 0xAF},
        {u"0x", 0},          {u"0xg", 0},       {u"", 0},            {u"zz", 0},        {u"FFFFFFFFFF", 2147483647}};
    for (const auto& [text, value] : hexes) EXPECT_EQ(ParseHex(text), value) << U8(text);
    EXPECT_TRUE(layoutparse::ParseFlag(u"1"));
    EXPECT_FALSE(layoutparse::ParseFlag(u"2"));
    EXPECT_FALSE(layoutparse::ParseFlag(u"yes"));
}

TEST(LayoutParse, RowCol) {
    struct Case {
        const char16_t* text;
        bool ok;
        int row, column;
    };
    const Case cases[] = {{u"2,13", true, 2, 13}, {u"2,7", true, 2, 7},   {u"0,0", true, 0, 0},
                          {u"7,31", true, 7, 31}, {u"3-05", true, 3, 5},  {u"8,1", false, 0, 0},
                          {u"1,32", false, 0, 0}, {u"12,3", false, 0, 0}, {u"2,131", false, 0, 0},
                          {u"2,", false, 0, 0},   {u"", false, 0, 0},     {u"a,1", false, 0, 0},
                          {u"1,x", false, 0, 0},  {u"1,-1", false, 0, 0}};
    for (const auto& c : cases) {
        int row = -1, column = -1;
        EXPECT_EQ(layoutparse::ParseRowCol(c.text, row, column), c.ok) << U8(c.text);
        if (c.ok) {
            EXPECT_EQ(row, c.row) << U8(c.text);
            EXPECT_EQ(column, c.column) << U8(c.text);
        } else {
            EXPECT_EQ(row, -1);
        }
    }
}

TEST(LayoutParse, Rect) {
    const std::pair<const char16_t*, CRect> cases[] = {
        {u"10#20#30#40", CRect(10, 20, 40, 60)},
        {u"0#0#1#1", CRect(0, 0, 1, 1)},
        {u"5#6", CRect(5, 6, 5, 6)},
        {u"", CRect()},
        {u"a#b#c#d", CRect()},
        {u"2147483647#0#2147483647#1", CRect(1 << 24, 0, 2 << 24, 1)},
    };
    for (const auto& [text, rect] : cases) EXPECT_EQ(layoutparse::ParseRect(text), rect) << U8(text);
}

TEST(KeyboardDefinition, PageFlagsAfterAScan) {
    EXPECT_EQ(KeyboardDefinition::PageFlagsForConnection(67, 201, 0), 71);
    EXPECT_EQ(KeyboardDefinition::PageFlagsForConnection(67, 299, 1), 68);
    EXPECT_EQ(KeyboardDefinition::PageFlagsForConnection(67, 250, 2), 68);
    EXPECT_EQ(KeyboardDefinition::PageFlagsForConnection(67, 100, 1), 67);
    EXPECT_EQ(KeyboardDefinition::PageFlagsForConnection(67, 300, 0), 67);
}

}  // namespace
