// tastractl's exchange-file commands: export-profile, import-profile,
// export-macro and import-macro, for backups and scripts. They work on the
// database of the present (or simulated) board's model, else on the model of
// the start-up layout, exactly as the window's import and export buttons do
// but without a dialog. An imported profile becomes the active one and is
// written to the keyboard when one is present.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/ctl/CtlCommand.h"
#include "device/commands/FirstFamilyCommands.h"
#include "device/commands/SecondFamilyCommands.h"
#include "docs/MacroExchange.h"
#include "docs/ProfileExchange.h"
#include "platform/KeyNames.h"
#include "platform/Paths.h"

namespace ctl {
namespace {

int UsageError(const std::string& message) {
    std::fprintf(stderr, "tastractl: %s\n", message.c_str());
    return kExitUsage;
}

// The store the exchange commands use: the selected board's when one is
// present, else a store of the start-up layout's model opened here.
class ExchangeStore {
public:
    explicit ExchangeStore(Session& session) : m_session(session) {}

    // False with a message on stderr when no model or store can be opened.
    bool Open() {
        if (!m_session.Scan()) return false;
        if (BoardPresent()) {
            if (!m_session.SelectBoard() || !m_session.OpenStore()) return false;
            m_store = &m_session.Store();
            m_boardPresent = true;
            return true;
        }
        // No board: the layout a start without a keyboard loads, or the
        // layout of the model asked for.
        int deviceType = KeyboardCatalogue::kStartDeviceType;
        const std::string& model = m_session.GetOptions().model;
        if (!model.empty()) {
            bool known = false;
            for (const KeyboardEntry& line : m_session.ModeLines()) {
                if (line.layoutName.ToUtf8() != model) continue;
                deviceType = line.deviceType;
                known = true;
                break;
            }
            if (!known) {
                m_session.Fail("no keyboard model " + model + " in the catalogue");
                return false;
            }
        }
        if (!m_catalogue.ReadDeviceCatalogue() || !m_catalogue.LoadLayout(deviceType)) {
            m_session.Fail("the layout of device type " + std::to_string(deviceType) + " cannot be read");
            return false;
        }
        CString name = m_catalogue.Definition().deviceName;
        if (name.IsEmpty()) {
            for (const KeyboardEntry& line : m_session.ModeLines())
                if (line.deviceType == deviceType) {
                    name = line.layoutName;
                    break;
                }
        }
        const CString folder = m_session.DataFolder();
        paths::CreateFolderTree(folder + u"db");
        if (!m_ownStore.OpenOrCreate(folder, name)) {
            m_session.Fail("the profile store " + DataStore::DatabasePath(folder, name) + " cannot be opened");
            return false;
        }
        m_store = &m_ownStore;
        return true;
    }

    DataStore& Store() noexcept { return *m_store; }
    [[nodiscard]] bool BoardPresent() const noexcept {
        if (m_boardPresent) return true;
        const std::string& model = m_session.GetOptions().model;
        const auto& lines = m_session.ModeLines();
        const auto& present = m_session.Presence();
        for (size_t i = 0; i < lines.size() && i < present.size(); ++i)
            if (present[i] && (model.empty() || lines[i].layoutName.ToUtf8() == model)) return true;
        return false;
    }

private:
    Session& m_session;
    KeyboardCatalogue m_catalogue;
    DataStore m_ownStore;
    DataStore* m_store = nullptr;
    bool m_boardPresent = false;
};

bool IsRegularFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(std::u8string(path.begin(), path.end())), error);
}

// The key table of the profile to the present board, as DC_WRITE_KEYS does.
bool WriteKeyTable(Session& session, int profile) {
    device::commands::CommandContext context;
    context.profile = profile;
    context.fnLayer = 0;
    context.keyboardLayout = keynames::CurrentKeyboardLayout();
    context.definition = &session.Definition();
    if (device::IsSecondFamily(session.Board().deviceType))
        return device::commands::SecondFamilyCommands(session.Manager(), session.Store())
            .WriteKeyAssignments(context)
            .sent;
    const auto result =
        device::commands::FirstFamilyCommands(session.Manager(), session.Store()).WriteKeyAssignmentsFirst(context);
    return result.sent && result.keyTableWritten;
}

int RunExportProfile(Session& session, const std::vector<std::string>& args) {
    int profile = 0;
    std::string file;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        if (arg == "--profile" || arg.rfind("--profile=", 0) == 0) {
            if (arg == "--profile") {
                if (i + 1 >= args.size()) return UsageError("--profile needs a profile id");
                value = args[++i];
            } else {
                value = arg.substr(10);
            }
            if (!ParseNumber(value, profile) || profile <= 0) return UsageError("--profile needs a profile id");
        } else if (file.empty() && !arg.empty()) {
            file = arg;
        } else {
            return UsageError("export-profile: unexpected argument " + arg);
        }
    }
    if (file.empty()) return UsageError("export-profile needs a FILE");

    ExchangeStore store(session);
    if (!store.Open()) return kExitFailure;
    if (profile == 0) {
        profile = store.BoardPresent() ? session.ActiveProfile() : store.Store().GetActiveProfile();
        if (profile <= 0) return session.Fail("there is no active profile");
    }
    CString name;
    if (!store.Store().GetProfileName(profile, name)) return session.Fail("no profile " + std::to_string(profile));
    if (!ProfileExchange::WriteProfileFile(store.Store(), profile, name, CString::FromUtf8(file)))
        return session.Fail("cannot write " + file);
    return kExitOk;
}

int RunImportProfile(Session& session, const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].empty()) return UsageError("import-profile needs exactly one FILE");
    const std::string& file = args[0];
    if (!IsRegularFile(file)) return session.Fail(file + " is not a readable file");
    ExchangeStore store(session);
    if (!store.Open()) return kExitFailure;
    const auto result = ProfileExchange::ReadProfileFile(store.Store(), CString::FromUtf8(file));
    if (result.profileId <= 0) return session.Fail(file + " holds no profile that could be stored");
    store.Store().SetActiveProfile(result.profileId);
    std::printf("%d\n", result.profileId);
    std::fflush(stdout);
    if (!store.BoardPresent()) return kExitOk;
    if (session.ConnectionMode() != device::kConnWired) {
        std::fprintf(stderr,
                     "tastractl: key assignments are written over the cable only; the keyboard keeps its "
                     "key table\n");
        return kExitOk;
    }
    if (!WriteKeyTable(session, result.profileId))
        return session.Fail("the profile was imported but writing it to the keyboard failed");
    return kExitOk;
}

int RunExportMacro(Session& session, const std::vector<std::string>& args) {
    if (args.size() != 2 || args[1].empty()) return UsageError("export-macro needs a macro ID and a FILE");
    int macro = 0;
    if (!ParseNumber(args[0], macro) || macro <= 0) return UsageError("export-macro needs a macro id");
    ExchangeStore store(session);
    if (!store.Open()) return kExitFailure;
    MacroRecord record;
    if (!store.Store().GetMacro(macro, record)) return session.Fail("no macro " + std::to_string(macro));
    if (!MacroExchange::WriteMacroFile(store.Store(), macro, CString::FromUtf8(args[1])))
        return session.Fail("cannot write " + args[1]);
    return kExitOk;
}

int RunImportMacro(Session& session, const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].empty()) return UsageError("import-macro needs exactly one FILE");
    const std::string& file = args[0];
    if (!IsRegularFile(file)) return session.Fail(file + " is not a readable file");
    ExchangeStore store(session);
    if (!store.Open()) return kExitFailure;
    CString name;
    const int macro = MacroExchange::ReadMacroFile(store.Store(), CString::FromUtf8(file), name);
    if (macro <= 0) return session.Fail(file + " holds no macro that could be stored");
    std::printf("%d\n", macro);
    return kExitOk;
}

const bool kRegistered =
    RegisterCommand({"export-profile", "export-profile [--profile ID] FILE",
                     "write a profile (default: the active one) to an exchange file", &RunExportProfile}) &&
    RegisterCommand({"import-profile", "import-profile FILE",
                     "import an exchange file as a new active profile; prints its id", &RunImportProfile}) &&
    RegisterCommand({"export-macro", "export-macro ID FILE", "write a macro to an exchange file", &RunExportMacro}) &&
    RegisterCommand({"import-macro", "import-macro FILE", "import an exchange file as a new macro; prints its id",
                     &RunImportMacro});

}  // namespace
}  // namespace ctl
