#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "app/Language.h"
#include "app/ctl/CtlCommand.h"
#include "platform/Paths.h"

namespace ctl {
namespace {

constexpr int kDefaultProfiles = 3;
constexpr int kProfileWordText = 65;

std::vector<Command>& Table() {
    static std::vector<Command> table;
    return table;
}

// The word generated profile names start with.
CString ProfileWord() {
    if (g_languageId.load() == 0) g_languageId = ReadLanguageSetting();
    CString word = LoadLanguageString(u"KB.DIALOG", kProfileWordText);
    return word.IsEmpty() ? CString(u"Profile") : word;
}

}  // namespace

bool RegisterCommand(const Command& command) {
    Table().push_back(command);
    return true;
}

const std::vector<Command>& Commands() { return Table(); }

const Command* FindCommand(const std::string& name) {
    for (const Command& command : Table())
        if (name == command.name) return &command;
    return nullptr;
}

bool ParseNumber(const std::string& text, int& value) {
    if (text.empty() || text[0] == '-' || text[0] == '+') return false;
    errno = 0;
    char* end = nullptr;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const long number = std::strtol(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || number > 0x7FFFFFFF) return false;
    value = static_cast<int>(number);
    return true;
}

int Session::Fail(const std::string& message) const {
    std::fprintf(stderr, "tastractl: %s\n", message.c_str());
    return kExitFailure;
}

bool Session::StartLink(int& exitCode) {
    const device::DeviceLinkOptions options =
        device::ReadDeviceLinkOptions(m_options.linkArgs, std::getenv("TASTRA_SIMULATE"), std::getenv("TASTRA_HID_TRACE"));
    exitCode = device::InstallDeviceLink(options, m_manager, m_link, stderr);
    return exitCode == 0;
}

bool Session::Scan() {
    if (m_scanned) return true;
    if (!m_catalogue.ReadDeviceCatalogue()) {
        Fail("the keyboard catalogue (config.xml) cannot be read");
        return false;
    }
    m_modes = m_catalogue.ModeList();
    m_manager.ClearSupportedDevices();
    for (const KeyboardEntry& line : m_modes)
        m_manager.AddSupportedDevice(line.vendorId, line.productId, line.name, line.deviceType, line.modeValue,
                                     line.hidInterface);
    m_manager.CloseAll();
    m_manager.Rescan();
    m_manager.SetOpenFlag(true);
    m_present.clear();
    for (const KeyboardEntry& line : m_modes)
        m_present.push_back(m_manager.FindOpenedDevice(line.vendorId, line.productId, line.name, line.modeValue) >= 0);
    m_scanned = true;
    return true;
}

bool Session::SelectBoard() {
    if (!Scan()) return false;
    const CString wanted = CString::FromUtf8(m_options.model);
    for (size_t i = 0; i < m_modes.size(); ++i) {
        if (!m_present[i] || (!m_options.model.empty() && m_modes[i].layoutName != wanted)) continue;
        m_board = m_modes[i];
        m_manager.SetSelectedDeviceType(m_board.deviceType);
        if (!m_catalogue.LoadLayout(m_board.deviceType)) {
            Fail("the layout of " + m_board.layoutName.ToUtf8() + " cannot be read");
            return false;
        }
        m_definition = m_catalogue.Definition();
        if (m_definition.deviceName.IsEmpty()) m_definition.deviceName = m_board.layoutName;
        return true;
    }
    Fail(m_options.model.empty() ? "no keyboard found" : "no keyboard " + m_options.model + " found");
    return false;
}

int Session::ConnectionMode() {
    device::OpenedDeviceInfo info;
    return m_manager.ActiveDevice(&info) ? info.connectionMode : device::kConnNone;
}

CString Session::DataFolder() const {
    if (m_options.dataDir.empty()) return paths::DataFolder();
    std::string folder = m_options.dataDir;
    if (folder.back() != '/') folder += '/';
    return CString::FromUtf8(folder);
}

bool Session::OpenStore() {
    if (m_store.IsOpen()) return true;
    const CString folder = DataFolder();
    paths::CreateFolderTree(folder + u"db");
    if (!m_store.OpenOrCreate(folder, ModelName())) {
        Fail("the profile store " + DataStore::DatabasePath(folder, ModelName()) + " cannot be opened");
        return false;
    }
    return true;
}

bool Session::RecreateStore() {
    m_store.DeleteDatabaseFile(DataFolder(), ModelName());
    return OpenStore();
}

int Session::ActiveProfile() {
    std::vector<ProfileRecord> list;
    if (m_store.ListProfiles(list) < 1) {
        const CString word = ProfileWord();
        int first = 0;
        for (int n = 1; n <= kDefaultProfiles; ++n) {
            ProfileRecord record;
            record.name = word + CString::FromUtf8(" " + std::to_string(n));
            const int id = m_store.AddProfile(record);
            if (n == 1) {
                first = id;
                m_store.InsertDefaultConfig();
            }
        }
        if (first > 0) m_store.SetActiveProfile(first);
        list.clear();
        m_store.ListProfiles(list);
    }
    if (list.empty()) return 0;
    int active = m_store.GetActiveProfile();
    if (active == 0) {
        active = list.front().profileId;
        m_store.SetActiveProfile(active);
    }
    return active;
}

void Session::SeedDefaultLights(int profile) {
    if (m_store.CountLights(profile) > 0) return;
    constexpr int kRawSpeedMode = 9, kDefaultColour = 255, kSecondFamilyDirection = 2;
    LightRecord row;
    row.profile = profile;
    row.brightness = m_definition.defaultBrightness;
    row.speed = m_definition.defaultSpeed;
    row.direction = m_board.deviceType >= 200 && m_board.deviceType <= 299 ? kSecondFamilyDirection : 0;
    row.colorful = 1;
    row.colorValue = kDefaultColour;
    for (const LightModeInfo& info : m_definition.lightModes) {
        LightRecord light = row;
        light.name = info.name;
        light.mode = info.mode;
        light.configFunc = info.attribute;
        if (info.mode == kRawSpeedMode) light.speed = 0, light.direction = 0, light.colorIndex = 0;
        m_store.AddLight(light);
    }
    m_store.SetActiveLight(profile, m_definition.defaultMode);
}

}  // namespace ctl
