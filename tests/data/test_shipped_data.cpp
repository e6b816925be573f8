// The data set the program ships: the catalogue, every layout file, the
// keyboard pictures and the texts the code and the layouts ask for. Each file
// is loaded with the program's own readers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "docs/XmlDoc.h"
#include "model/KeyboardCatalogue.h"
#include "platform/Paths.h"
#include "tests/support/TestEnv.h"

namespace fs = std::filesystem;

namespace {

// Every per-key table sent to the keyboard has this many key positions.
constexpr int kKeyPositions = 110;

std::string U8(const CString& s) {
    return s.ToUtf8();
}

std::string DataFile(const std::string& relative) {
    return testenv::DataRoot() + "/" + relative;
}

// Counts the key elements as written, so keys the reader refused show up.
int CountKeyElements(const std::string& path) {
    const std::string text = testenv::ReadFile(path);
    int count = 0;
    for (size_t pos = text.find("<key "); pos != std::string::npos; pos = text.find("<key ", pos + 1)) ++count;
    return count;
}

// Width and height from a PNG's IHDR chunk; false when it is no PNG.
bool PngSize(const std::string& path, int& width, int& height) {
    const std::string bytes = testenv::ReadFile(path);
    static const std::string kSignature = "\x89PNG\r\n\x1a\n";
    if (bytes.size() < 24 || bytes.compare(0, 8, kSignature) != 0 || bytes.compare(12, 4, "IHDR") != 0) return false;
    auto be32 = [&](size_t at) {
        return (static_cast<int>(static_cast<unsigned char>(bytes[at])) << 24) |
               (static_cast<int>(static_cast<unsigned char>(bytes[at + 1])) << 16) |
               (static_cast<int>(static_cast<unsigned char>(bytes[at + 2])) << 8) |
               static_cast<int>(static_cast<unsigned char>(bytes[at + 3]));
    };
    width = be32(16);
    height = be32(20);
    return true;
}

// The text ids of section KB.DIALOG of a language file (INI form: section
// names without case, the first of duplicate keys counts).
std::set<int> LanguageIds(const std::string& path) {
    std::set<int> ids;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        line.erase(0, first);
        if (line[0] == ';') continue;
        if (line[0] == '[') {
            std::string name = line.substr(1, line.find(']') == std::string::npos ? std::string::npos : line.find(']') - 1);
            for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            inSection = name == "KB.DIALOG";
            continue;
        }
        if (!inSection) continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
        if (!key.empty() && key.find_first_not_of("0123456789") == std::string::npos && key.size() < 9)
            ids.insert(std::stoi(key));
    }
    return ids;
}

// Text ids the code asks for: LoadLanguageString(<section>, <number>).
std::map<int, std::string> CodeTextIds() {
    std::map<int, std::string> ids;
    static const std::regex kCall(R"(LoadLanguageString\s*\(\s*[^,()]+,\s*(\d+)\s*\))");
    const char* const kFolders[] = {"app", "device", "model", "lighting", "macros", "updater", "ui", "docs", "store"};
    for (const char* folder : kFolders) {
        const fs::path root = fs::path(testenv::SourceDir()) / folder;
        std::error_code ec;
        if (!fs::is_directory(root, ec)) continue;
        for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator(); ++it) {
            const fs::path& p = it->path();
            if (!it->is_regular_file() || (p.extension() != ".cpp" && p.extension() != ".h")) continue;
            std::ifstream in(p, std::ios::binary);
            std::stringstream text;
            text << in.rdbuf();
            const std::string s = text.str();
            for (std::sregex_iterator m(s.begin(), s.end(), kCall), end; m != end; ++m)
                ids.emplace(std::stoi((*m)[1].str()), fs::relative(p, testenv::SourceDir()).string());
        }
    }
    return ids;
}

struct ShippedModel {
    const char* name;
    int deviceType;
    const char* layout;
    size_t keys;
};
constexpr ShippedModel kModels[] = {
    {"Tastra K104", 100, "k104", 104},
    {"Tastra K87", 201, "k87", 87},
    {"Tastra K68", 202, "k68", 68},
};

class ShippedData : public ::testing::Test {
protected:
    void SetUp() override {
        m_catalogue.SetDataRoot(CString::FromUtf8(testenv::DataRoot()));
        ASSERT_TRUE(m_catalogue.ReadDeviceCatalogue()) << DataFile("config.xml");
    }
    KeyboardCatalogue m_catalogue;
};

TEST_F(ShippedData, CatalogueListsTheThreeModelsAndTheirModes) {
    const auto keyboards = m_catalogue.KeyboardList();
    ASSERT_EQ(keyboards.size(), std::size(kModels));
    for (size_t i = 0; i < keyboards.size(); ++i) {
        EXPECT_EQ(U8(keyboards[i].name), kModels[i].name);
        EXPECT_EQ(keyboards[i].deviceType, kModels[i].deviceType);
        EXPECT_EQ(U8(keyboards[i].layoutName), kModels[i].layout);
    }
    struct Mode {
        const char* layout;
        int value;
        int pid;
        const char* description;
        const char* hidInterface;
    };
    const Mode expected[] = {
        {"k104", 0, 0x0001, "wired", "VID_1209&PID_0001&MI_02"},
        {"k87", 0, 0x0002, "wired", "VID_1209&PID_0002&MI_02"},
        {"k87", 1, 0x0003, "receiver", "VID_1209&PID_0003&MI_02"},
        {"k87", 2, 0x0004, "Bluetooth", "VID_1209&PID_0004"},
        {"k68", 0, 0x0005, "wired", "VID_1209&PID_0005&MI_02"},
        {"k68", 1, 0x0006, "receiver", "VID_1209&PID_0006&MI_02"},
    };
    const auto modes = m_catalogue.ModeList();
    ASSERT_EQ(modes.size(), std::size(expected));
    for (size_t i = 0; i < modes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(U8(modes[i].layoutName), expected[i].layout);
        EXPECT_EQ(modes[i].modeValue, expected[i].value);
        EXPECT_EQ(modes[i].vendorId, 0x1209);
        EXPECT_EQ(modes[i].productId, expected[i].pid);
        EXPECT_EQ(U8(modes[i].modeDescription), expected[i].description);
        EXPECT_EQ(U8(modes[i].hidInterface), expected[i].hidInterface);
        // The product string the board reports is its keyboard's name.
        for (const auto& model : kModels) {
            if (U8(modes[i].layoutName) == model.layout) {
                EXPECT_EQ(U8(modes[i].name), model.name);
            }
        }
    }

    const SoftwareInfo software = m_catalogue.Software();
    EXPECT_FALSE(software.version.IsEmpty());
    EXPECT_FALSE(software.websiteUrl.IsEmpty());
    EXPECT_FALSE(software.storeUrl.IsEmpty());
    EXPECT_FALSE(software.upgradeUrl.IsEmpty());
    EXPECT_FALSE(software.copyright.IsEmpty());
    XmlDoc doc;
    ASSERT_TRUE(doc.LoadDocumentFile(CString::FromUtf8(DataFile("config.xml"))));
    ASSERT_TRUE(doc.FindElement(u"config") && doc.EnterElement() && doc.FindElement(u"software"));
    EXPECT_EQ(doc.AttributeValue(u"name"), u"Tastra");
}

TEST_F(ShippedData, EveryLayoutLoadsWithConsistentKeys) {
    for (const KeyboardEntry& entry : m_catalogue.KeyboardList()) {
        SCOPED_TRACE(U8(entry.layoutName));
        const std::string path = U8(m_catalogue.LayoutPath(entry.layoutName));
        ASSERT_TRUE(fs::exists(path)) << "missing layout " << path;
        ASSERT_TRUE(m_catalogue.LoadLayout(entry.deviceType)) << path;
        const KeyboardDefinition d = m_catalogue.Definition();

        for (const auto& model : kModels) {
            if (U8(entry.layoutName) == model.layout) {
                EXPECT_EQ(d.keys.size(), model.keys);
            }
        }
        // Every key element was taken (none refused for its row_col).
        EXPECT_EQ(static_cast<int>(d.keys.size()), CountKeyElements(path));
        EXPECT_EQ(d.pageFlags & (KeyboardDefinition::kPageKeys | KeyboardDefinition::kPageLight),
                  KeyboardDefinition::kPageKeys | KeyboardDefinition::kPageLight);

        // Codes and key indexes are unique; indexes fit every per-key table.
        std::set<int> codes, indexes;
        const CRect picture(0, 0, d.pictureRect.Width(), d.pictureRect.Height());
        for (const KeyItem& key : d.keys) {
            EXPECT_TRUE(codes.insert(key.code).second) << "duplicate code " << key.code;
            const int index = d.KeyIndexOf(key.code);
            EXPECT_GE(index, 0);
            EXPECT_LT(index, kKeyPositions) << "key " << key.code;
            EXPECT_TRUE(indexes.insert(index).second) << "duplicate key index " << index;
            EXPECT_GT(key.code, 0);
            EXPECT_LE(key.code, 0xFF);
            EXPECT_FALSE(key.name.IsEmpty()) << key.code;
            CRect inside;
            inside.IntersectRect(key.rect, picture);
            EXPECT_TRUE(!key.rect.IsRectEmpty() && inside == key.rect) << "key " << key.code << " outside the picture";
        }
        // No two keys share a grid cell, and every cell lies inside the
        // layout's row and column counts.
        int filled = 0;
        for (int r = 0; r < KeyboardDefinition::kGridRows; ++r)
            for (int c = 0; c < KeyboardDefinition::kGridColumns; ++c) {
                if (d.GridAt(r, c) == KeyboardDefinition::kNoKey) continue;
                ++filled;
                EXPECT_LT(r, d.rowCount) << "row " << r;
                EXPECT_LT(c, d.columnCount) << "column " << c;
            }
        EXPECT_EQ(filled, static_cast<int>(d.keys.size()));

        // The picture: generated, of the layout's size, and on screen.
        const std::string image = DataFile("skins/theme1/" + U8(paths::NormalizeRelative(d.pictureImage)));
        int width = 0, height = 0;
        ASSERT_TRUE(PngSize(image, width, height)) << image;
        EXPECT_EQ(width, d.pictureRect.Width());
        EXPECT_EQ(height, d.pictureRect.Height());
        EXPECT_TRUE(CRect(0, 0, 1280, 720).PtInRect(d.pictureRect.TopLeft()));
        EXPECT_LE(d.pictureRect.right, 1280);
        EXPECT_LE(d.pictureRect.bottom, 720);
    }
}

TEST_F(ShippedData, EveryBoardOffersTheExpectedLightingModes) {
    constexpr int kCustom = 0x100, kMusic = 0x200, kScreen = 0x400, kGrid = 0x800;
    for (const KeyboardEntry& entry : m_catalogue.KeyboardList()) {
        SCOPED_TRACE(U8(entry.layoutName));
        ASSERT_TRUE(m_catalogue.LoadLayout(entry.deviceType));
        const KeyboardDefinition d = m_catalogue.Definition();
        std::set<int> numbers, names;
        int bits = 0;
        for (const LightModeInfo& info : d.lightModes) {
            EXPECT_TRUE(numbers.insert(info.mode).second) << "mode " << info.mode << " twice";
            names.insert(std::stoi(U8(info.name)));
            bits |= info.attribute;
        }
        // Static, breathing, wave, ripple, reactive, spectrum cycle, option
        // grid, per-key custom, music, screen colour.
        for (int id = 1001; id <= 1010; ++id) EXPECT_TRUE(names.count(id)) << "mode name " << id;
        EXPECT_EQ(bits & (kCustom | kMusic | kScreen | kGrid), kCustom | kMusic | kScreen | kGrid);
        EXPECT_NE(d.FindLightMode(d.defaultMode), nullptr);
        EXPECT_GT(d.brightnessMax, 0);
        EXPECT_GT(d.speedMax, 0);
        EXPECT_LE(d.defaultBrightness, d.brightnessMax);
        EXPECT_LE(d.defaultSpeed, d.speedMax);
        EXPECT_TRUE(d.rgbKeyboard);
        if (entry.deviceType >= 201 && entry.deviceType <= 299) {
            // The second family's single colour mode is 4, its raw-byte
            // option-grid mode 9.
            ASSERT_NE(d.FindLightMode(4), nullptr);
            EXPECT_EQ(d.FindLightMode(4)->name, u"1001");
            ASSERT_NE(d.FindLightMode(9), nullptr);
            EXPECT_NE(d.FindLightMode(9)->attribute & kGrid, 0);
        }
    }
}

TEST_F(ShippedData, EveryTextIdHasAnEnglishAndAFrenchText) {
    const std::string english = DataFile("language/1033.lan");
    const std::string french = DataFile("language/1036.lan");
    if (!fs::exists(english) || !fs::exists(french)) GTEST_SKIP() << "language files not shipped yet";

    std::map<int, std::string> used = CodeTextIds();
    for (const KeyboardEntry& entry : m_catalogue.KeyboardList()) {
        ASSERT_TRUE(m_catalogue.LoadLayout(entry.deviceType));
        for (const LightModeInfo& info : m_catalogue.Definition().lightModes)
            used.emplace(std::stoi(U8(info.name)), "layouts/" + U8(entry.layoutName) + ".xml");
    }
    ASSERT_FALSE(used.empty());
    for (const std::string& file : {english, french}) {
        const std::set<int> ids = LanguageIds(file);
        for (const auto& [id, where] : used)
            EXPECT_TRUE(ids.count(id)) << "text " << id << " (used in " << where << ") missing from " << file;
    }
}

}  // namespace
