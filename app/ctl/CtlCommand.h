// tastractl's command table and the session every command works in.
//
// A command is one table entry: its name, a usage line, a one-line summary
// and the function that runs it. A source file adds its commands with a
// registration at namespace scope, so the four exchange-file commands live
// in a file of their own:
//
//     static const bool kRegistered = ctl::RegisterCommand(
//         {"export-profile", "export-profile ID FILE", "write a profile to FILE", &RunExportProfile});
//
// A command receives the arguments after its name and returns the exit
// code: kExitOk, kExitFailure (one clear line on stderr through
// session.Fail) or kExitUsage.
#pragma once

#include <string>
#include <vector>

#include "device/DeviceLinkSetup.h"
#include "device/DeviceManager.h"
#include "model/KeyboardCatalogue.h"
#include "model/KeyboardDefinition.h"
#include "model/KeyboardEntry.h"
#include "store/DataStore.h"

namespace ctl {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// The options before the command.
struct Options {
    std::vector<std::string> linkArgs;  // --simulate / --hid-trace, handed to the device link
    std::string dataDir;                // empty: the XDG data folder
    std::string model;                  // empty: the first present board
};

class Session {
public:
    explicit Session(Options options) : m_options(std::move(options)) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Builds the device link; false (and a message on stderr) on a bad
    // --simulate list. exitCode then holds the code to end with.
    bool StartLink(int& exitCode);

    // Reads the catalogue and scans; false with a message when the
    // catalogue cannot be read.
    bool Scan();
    // The catalogue's mode lines and whether each is present (after Scan).
    [[nodiscard]] const std::vector<KeyboardEntry>& ModeLines() const noexcept { return m_modes; }
    [[nodiscard]] const std::vector<bool>& Presence() const noexcept { return m_present; }

    // Scans, picks the board (--model or the first present line), selects
    // its device type and loads its layout. False with a message on stderr.
    bool SelectBoard();
    [[nodiscard]] const KeyboardEntry& Board() const noexcept { return m_board; }
    [[nodiscard]] const KeyboardDefinition& Definition() const noexcept { return m_definition; }
    // Connection mode of the board the reports go to.
    [[nodiscard]] int ConnectionMode();

    // Opens the selected model's store (the data folder's db/ is created).
    bool OpenStore();
    // Deletes the model's database and opens a fresh one.
    bool RecreateStore();
    // The active profile; a store without profiles first gets the three
    // default profiles. 0 when the store has none.
    int ActiveProfile();
    // Gives a profile without lighting rows one row per mode of the layout,
    // the default mode active, as the lighting page does.
    void SeedDefaultLights(int profile);
    // The folder the database lives under (with a trailing "/").
    [[nodiscard]] CString DataFolder() const;
    [[nodiscard]] CString ModelName() const { return m_definition.deviceName; }

    device::DeviceManager& Manager() noexcept { return m_manager; }
    DataStore& Store() noexcept { return m_store; }
    [[nodiscard]] const Options& GetOptions() const noexcept { return m_options; }

    // Prints "tastractl: message" on stderr and returns kExitFailure.
    int Fail(const std::string& message) const;

private:
    Options m_options;
    device::DeviceManager m_manager;
    device::DeviceLink m_link;
    KeyboardCatalogue m_catalogue;
    DataStore m_store;
    bool m_scanned = false;
    std::vector<KeyboardEntry> m_modes;
    std::vector<bool> m_present;
    KeyboardEntry m_board;
    KeyboardDefinition m_definition;
};

using Handler = int (*)(Session& session, const std::vector<std::string>& args);

struct Command {
    const char* name;
    const char* usage;    // e.g. "apply [--profile ID] [--key CODE]"
    const char* summary;  // one line for --help
    Handler run;
};

// Adds a command; returns true so it can initialise a namespace-scope flag.
bool RegisterCommand(const Command& command);
[[nodiscard]] const std::vector<Command>& Commands();
[[nodiscard]] const Command* FindCommand(const std::string& name);

// Parses a decimal or 0x-hex number; false when text is not one.
bool ParseNumber(const std::string& text, int& value);

}  // namespace ctl
