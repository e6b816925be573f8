#include "model/KeyboardCatalogue.h"

#include <array>

#include "docs/XmlDoc.h"
#include "model/LayoutParse.h"
#include "platform/Paths.h"

using layoutparse::ParseDecimal;
using layoutparse::ParseFlag;
using layoutparse::ParseHex;

namespace {

// The pictures that take keys, by page flag bit.
constexpr std::array<int, 3> kPictureBits = {KeyboardDefinition::kPageKeys, KeyboardDefinition::kPageLight,
                                             KeyboardDefinition::kPageThird};

CString WithSlash(CString folder) {
    if (!folder.IsEmpty() && folder.GetAt(folder.GetLength() - 1) != u'/') folder += u'/';
    return folder;
}

}  // namespace

void KeyboardCatalogue::SetHost(LayoutHost* host) {
    std::lock_guard lock(m_lock);
    m_host = host;
}

void KeyboardCatalogue::SetDataRoot(const CString& folder) {
    std::lock_guard lock(m_lock);
    m_dataRoot = WithSlash(folder);
}

void KeyboardCatalogue::SetDataFolder(const CString& folder) {
    std::lock_guard lock(m_lock);
    m_dataFolder = WithSlash(folder);
}

CString KeyboardCatalogue::DataRootLocked() const {
    return m_dataRoot.IsEmpty() ? paths::DataRoot() : m_dataRoot;
}

CString KeyboardCatalogue::LayoutPath(const CString& layoutName) const {
    // A layout name is a file name: nothing that could climb out of layouts/.
    if (layoutName.Find(u'/') >= 0 || layoutName.Find(u'\\') >= 0 || layoutName.Find(u"..") >= 0 ||
        layoutName.Find(u'\0') >= 0)
        return CString();
    std::lock_guard lock(m_lock);
    return DataRootLocked() + u"layouts/" + layoutName + u".xml";
}

bool KeyboardCatalogue::ReadDeviceCatalogue() {
    LayoutHost* host = nullptr;
    CString path;
    {
        std::lock_guard lock(m_lock);
        m_keyboards.clear();
        m_modes.clear();
        host = m_host;
        path = DataRootLocked() + u"config.xml";
    }

    XmlDoc doc;
    if (!doc.LoadDocumentFile(path) || !doc.FindElement(u"config") || !doc.EnterElement()) return false;

    std::vector<KeyboardEntry> keyboards;
    std::vector<KeyboardEntry> modes;
    if (doc.FindElement(u"device.info") && doc.EnterElement()) {
        while (doc.FindElement(u"keyboard")) {
            KeyboardEntry entry;
            entry.name = doc.AttributeValue(u"name");
            entry.deviceType = ParseDecimal(doc.AttributeValue(u"device_type"));
            entry.layoutName = doc.AttributeValue(u"device_info");
            keyboards.push_back(entry);
            if (host) host->AddDevice(entry.name, entry.deviceType);
            if (!doc.EnterElement()) continue;
            while (doc.FindElement(u"mode")) {
                entry.modeValue = ParseDecimal(doc.AttributeValue(u"value"));
                entry.modeDescription = doc.AttributeValue(u"desc");
                entry.vendorId = ParseHex(doc.AttributeValue(u"vid"));
                entry.productId = ParseHex(doc.AttributeValue(u"pid"));
                entry.name = doc.AttributeValue(u"product_name");
                entry.hidInterface = doc.AttributeValue(u"hid_interface");
                modes.push_back(entry);
                if (host)
                    host->AddSupportedDevice(entry.vendorId, entry.productId, entry.name, entry.deviceType,
                                             entry.modeValue, entry.hidInterface);
            }
            doc.LeaveElement();
        }
        doc.LeaveElement();
    }

    SoftwareInfo software;
    bool haveSoftware = false;
    if (doc.FindElement(u"software")) {
        haveSoftware = true;
        software.version = doc.AttributeValue(u"version");
        if (doc.EnterElement()) {
            // Each link element once, whatever their order.
            bool seenWebsite = false, seenStore = false, seenUpgrade = false, seenCopyright = false;
            while (doc.FindElement()) {
                const CString tag = doc.TagName();
                if (tag == u"website" && !seenWebsite) software.websiteUrl = doc.AttributeValue(u"url"), seenWebsite = true;
                else if (tag == u"store" && !seenStore) software.storeUrl = doc.AttributeValue(u"url"), seenStore = true;
                else if (tag == u"upgrade" && !seenUpgrade)
                    software.upgradeUrl = doc.AttributeValue(u"url"), seenUpgrade = true;
                else if (tag == u"copyright" && !seenCopyright)
                    software.copyright = doc.AttributeValue(u"info"), seenCopyright = true;
            }
            doc.LeaveElement();
        }
    }

    {
        std::lock_guard lock(m_lock);
        m_keyboards = std::move(keyboards);
        m_modes = std::move(modes);
        if (haveSoftware) m_software = software;
    }
    if (host && haveSoftware) host->SetSoftwareInfo(software);

    LoadLayout(kStartDeviceType);
    if (host) host->RegisterDeviceNotifications();
    return true;
}

bool KeyboardCatalogue::LoadLayout(int deviceType) {
    LayoutHost* host = nullptr;
    CString layoutName;
    CString deviceName;
    CString dataFolder;
    {
        std::lock_guard lock(m_lock);
        host = m_host;
        for (const auto& entry : m_keyboards) {
            if (entry.deviceType == deviceType) {
                layoutName = entry.layoutName;
                deviceName = entry.name;
                break;
            }
        }
        dataFolder = m_dataFolder.IsEmpty() ? paths::DataFolder() : m_dataFolder;
    }

    KeyboardDefinition definition;
    definition.deviceType = deviceType;
    if (host) {
        host->CloseStore();
        // No model of that type: no database named after nothing.
        if (!deviceName.IsEmpty()) host->OpenStore(dataFolder, deviceName);
    }
    definition.deviceName = deviceName;

    // The pictures lose the previous model's keys even when this layout
    // cannot be read.
    if (host)
        for (int bit : kPictureBits)
            if (KeyboardPicture* picture = host->Picture(bit)) picture->ClearItem();

    bool loaded = false;
    const CString path = layoutName.IsEmpty() ? CString() : LayoutPath(layoutName);
    if (!path.IsEmpty()) {
        XmlDoc doc;
        if (doc.LoadDocumentFile(path) && doc.FindElement(u"device.info") && doc.EnterElement()) {
            ReadLayoutDocument(doc, definition, host);
            loaded = true;
        }
    }

    KeyboardDefinition published;
    {
        std::lock_guard lock(m_lock);
        m_definition = std::move(definition);
        published = m_definition;
    }
    if (host) host->LayoutLoaded(published);
    return loaded;
}

bool KeyboardCatalogue::ReadLayoutFile(const CString& path, KeyboardDefinition& definition) {
    definition.Reset();
    XmlDoc doc;
    if (!doc.LoadDocumentFile(path) || !doc.FindElement(u"device.info") || !doc.EnterElement()) return false;
    ReadLayoutDocument(doc, definition, nullptr);
    return true;
}

bool KeyboardCatalogue::ReadLayoutText(const CString& text, KeyboardDefinition& definition) {
    definition.Reset();
    XmlDoc doc;
    if (!doc.SetDocumentText(text) || !doc.FindElement(u"device.info") || !doc.EnterElement()) return false;
    ReadLayoutDocument(doc, definition, nullptr);
    return true;
}

void KeyboardCatalogue::ReadLayoutDocument(XmlDoc& doc, KeyboardDefinition& definition, LayoutHost* host) {
    // The sections are taken in any order; the first of each kind counts.
    bool seenMenu = false, seenFunction = false, seenFirmware = false, seenLight = false, seenKeyboard = false;
    while (doc.FindElement()) {
        const CString tag = doc.TagName();
        if (tag == u"menu" && !seenMenu) {
            seenMenu = true;
            definition.pageFlags = KeyboardDefinition::kMenuBaseFlags;
            if (ParseFlag(doc.AttributeValue(u"macro"))) definition.pageFlags |= KeyboardDefinition::kPageMacro;
            if (ParseFlag(doc.AttributeValue(u"light_mode"))) definition.pageFlags |= KeyboardDefinition::kPageLight;
        } else if (tag == u"function" && !seenFunction) {
            seenFunction = true;
            definition.sleepTimeSupported = ParseFlag(doc.AttributeValue(u"sleep_time"));
        } else if (tag == u"firmware" && !seenFirmware) {
            seenFirmware = true;
            definition.firmwareVersion = doc.AttributeValue(u"version");
            definition.firmwareFile = doc.AttributeValue(u"file");
            definition.firmwareUrl = doc.AttributeValue(u"url");
        } else if (tag == u"light" && !seenLight) {
            seenLight = true;
            ReadLight(doc, definition);
        } else if (tag == u"Keyboard" && !seenKeyboard) {
            seenKeyboard = true;
            ReadKeyboard(doc, definition, host);
        }
    }
}

void KeyboardCatalogue::ReadLight(XmlDoc& doc, KeyboardDefinition& definition) {
    definition.rgbKeyboard = ParseFlag(doc.AttributeValue(u"rgb_keyboard"));
    definition.defaultMode = ParseDecimal(doc.AttributeValue(u"default_mode"));
    definition.defaultBrightness = ParseDecimal(doc.AttributeValue(u"default_brightness"));
    definition.defaultSpeed = ParseDecimal(doc.AttributeValue(u"default_speed"));
    definition.brightnessMax = ParseDecimal(doc.AttributeValue(u"brightness_max"));
    definition.speedMax = ParseDecimal(doc.AttributeValue(u"speed_max"));
    definition.lightModes.clear();
    if (!doc.EnterElement()) return;
    while (doc.FindElement(u"info")) {
        LightModeInfo info;
        info.name = doc.AttributeValue(u"name");
        info.mode = ParseDecimal(doc.AttributeValue(u"mode"));
        info.attribute = ParseDecimal(doc.AttributeValue(u"attribute"));
        definition.lightModes.push_back(info);
    }
    doc.LeaveElement();
}

void KeyboardCatalogue::ReadKeyboard(XmlDoc& doc, KeyboardDefinition& definition, LayoutHost* host) {
    const int x = ParseDecimal(doc.AttributeValue(u"xpos"));
    const int y = ParseDecimal(doc.AttributeValue(u"ypos"));
    const int width = ParseDecimal(doc.AttributeValue(u"width"));
    const int height = ParseDecimal(doc.AttributeValue(u"height"));
    const int rows = ParseDecimal(doc.AttributeValue(u"row_count"));
    const int columns = ParseDecimal(doc.AttributeValue(u"col_count"));
    // Later stages divide by the counts and walk the grid with them: a
    // picture without a usable grid size is not taken at all.
    if (rows < 1 || rows > KeyboardDefinition::kGridRows || columns < 1 || columns > KeyboardDefinition::kGridColumns)
        return;
    constexpr int kPlacementLimit = layoutparse::kRectLimit;
    auto limited = [](int v) { return v < -kPlacementLimit ? -kPlacementLimit : v > kPlacementLimit ? kPlacementLimit : v; };
    definition.pictureRect = CRect(limited(x), limited(y), limited(x) + limited(width), limited(y) + limited(height));
    definition.pictureImage = CString(u"keyboard\\") + doc.AttributeValue(u"image");
    definition.rowCount = rows;
    definition.columnCount = columns;

    std::vector<KeyboardPicture*> pictures;
    if (host)
        for (int bit : kPictureBits)
            if ((definition.pageFlags & bit) != 0)
                if (KeyboardPicture* picture = host->Picture(bit)) pictures.push_back(picture);
    for (KeyboardPicture* picture : pictures) {
        picture->SetRect(definition.pictureRect);
        picture->SetKeyboardImage(definition.pictureImage);
        picture->SetWidthAndHeight(definition.pictureRect.Width(), definition.pictureRect.Height());
    }

    if (!doc.EnterElement()) return;
    if (doc.FindElement(u"KeyItems") && doc.EnterElement()) {
        while (doc.FindElement(u"key")) {
            int row = 0;
            int column = 0;
            // A key that cannot sit in the grid is not taken.
            if (!layoutparse::ParseRowCol(doc.AttributeValue(u"row_col"), row, column)) continue;
            KeyItem item;
            item.code = ParseHex(doc.AttributeValue(u"code"));
            item.name = doc.AttributeValue(u"name");
            item.description = doc.AttributeValue(u"desc");
            item.rect = layoutparse::ParseRect(doc.AttributeValue(u"rect"));
            const int keyIndex = ParseDecimal(doc.AttributeValue(u"key_index"));
            definition.keyIndexMap[item.code] = keyIndex;
            definition.lightIndexMap[item.code] = keyIndex;
            definition.keyGrid[static_cast<size_t>(row)][static_cast<size_t>(column)] =
                static_cast<uint8_t>(item.code & 0xFF);
            definition.keys.push_back(item);
            for (KeyboardPicture* picture : pictures) picture->AddKeyItem(item);
        }
        doc.LeaveElement();
    }
    doc.LeaveElement();
}

std::vector<KeyboardEntry> KeyboardCatalogue::KeyboardList() const {
    std::lock_guard lock(m_lock);
    return m_keyboards;
}

std::vector<KeyboardEntry> KeyboardCatalogue::ModeList() const {
    std::lock_guard lock(m_lock);
    return m_modes;
}

KeyboardDefinition KeyboardCatalogue::Definition() const {
    std::lock_guard lock(m_lock);
    return m_definition;
}

int KeyboardCatalogue::LoadedDeviceType() const {
    std::lock_guard lock(m_lock);
    return m_definition.deviceType;
}

SoftwareInfo KeyboardCatalogue::Software() const {
    std::lock_guard lock(m_lock);
    return m_software;
}

void KeyboardCatalogue::SetPresent(int vendorId, int productId, int modeValue, bool present) {
    std::lock_guard lock(m_lock);
    for (auto& entry : m_modes)
        if (entry.vendorId == vendorId && entry.productId == productId && entry.modeValue == modeValue)
            entry.present = present ? 1 : 0;
}
