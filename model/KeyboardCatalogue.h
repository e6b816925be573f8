// KeyboardCatalogue: reads the device catalogue (config.xml) and the layout
// file of the selected model into the keyboard definition.
//
//   ReadDeviceCatalogue()  both KeyboardEntry lists, the software section,
//                          then LoadLayout(201)
//   LoadLayout(type)       selects a device type: its profile store and its
//                          layout file
//   ReadLayoutFile(path)   the layout part alone (tools, the data check)
//
// Results go to the LayoutHost (device manager, device list, store,
// pictures); the lists and the definition are kept here. The object is
// guarded by one lock, so a worker thread may read the definition while the
// UI thread loads another layout: readers get a copy of a complete layout,
// never a half-read one.
#pragma once

#include <mutex>
#include <vector>

#include "model/KeyboardDefinition.h"
#include "model/KeyboardEntry.h"
#include "model/LayoutHost.h"
#include "model/SoftwareInfo.h"
#include "ui/base/CString.h"

class XmlDoc;

class KeyboardCatalogue {
public:
    // The device type whose layout is loaded at start.
    static constexpr int kStartDeviceType = 201;

    // The host is not owned; null means nobody listens.
    explicit KeyboardCatalogue(LayoutHost* host = nullptr) : m_host(host) {}

    void SetHost(LayoutHost* host);
    // Folder that holds config.xml and layouts/ (with a trailing "/"); the
    // data root unless set. The profile store's folder likewise.
    void SetDataRoot(const CString& folder);
    void SetDataFolder(const CString& folder);

    // False when config.xml is missing or has no "config" root; both lists
    // are then empty and no layout is loaded.
    bool ReadDeviceCatalogue();
    // False when the layout file could not be read; the definition is then
    // reset apart from the device type and name.
    bool LoadLayout(int deviceType);
    // Reads one layout file into a fresh definition (no store, no host).
    [[nodiscard]] static bool ReadLayoutFile(const CString& path, KeyboardDefinition& definition);
    // The same from the text of a layout file (fuzzers, tests).
    [[nodiscard]] static bool ReadLayoutText(const CString& text, KeyboardDefinition& definition);

    [[nodiscard]] std::vector<KeyboardEntry> KeyboardList() const;
    [[nodiscard]] std::vector<KeyboardEntry> ModeList() const;
    [[nodiscard]] KeyboardDefinition Definition() const;
    // The device type of the last LoadLayout (0 before the first).
    [[nodiscard]] int LoadedDeviceType() const;
    [[nodiscard]] SoftwareInfo Software() const;
    // Marks the mode-list lines of a vendor/product id present or absent.
    void SetPresent(int vendorId, int productId, int modeValue, bool present);

    // The layout path of a layout name; empty for a name that could leave
    // the layouts folder.
    [[nodiscard]] CString LayoutPath(const CString& layoutName) const;

private:
    static void ReadLayoutDocument(XmlDoc& doc, KeyboardDefinition& definition, LayoutHost* host);
    static void ReadLight(XmlDoc& doc, KeyboardDefinition& definition);
    static void ReadKeyboard(XmlDoc& doc, KeyboardDefinition& definition, LayoutHost* host);
    [[nodiscard]] CString DataRootLocked() const;

    mutable std::mutex m_lock;
    LayoutHost* m_host = nullptr;
    CString m_dataRoot;
    CString m_dataFolder;
    std::vector<KeyboardEntry> m_keyboards;
    std::vector<KeyboardEntry> m_modes;
    SoftwareInfo m_software;
    KeyboardDefinition m_definition;
};
