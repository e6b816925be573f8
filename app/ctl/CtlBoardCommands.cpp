// tastractl's keyboard commands: devices, apply, light, custom, reset,
// version and sim-state. Each writes the keyboard only from the store.
#include <cstdio>

#include "app/ctl/CtlCommand.h"
#include "device/commands/FirstFamilyCommands.h"
#include "device/commands/SecondFamilyCommands.h"
#include "device/sim/SimState.h"
#include "platform/KeyNames.h"

namespace ctl {
namespace {

using device::commands::CommandContext;
using device::commands::FirstFamilyCommands;
using device::commands::SecondFamilyCommands;

const char* ModeName(int mode) {
    switch (mode) {
        case device::kConnWired: return "wired";
        case device::kConnReceiver: return "receiver";
        case device::kConnBluetooth: return "bluetooth";
        default: return "unknown";
    }
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "tastractl: %s\n", message.c_str());
    return kExitUsage;
}

// Reads "--name VALUE" or "--name=VALUE" at args[i]; false when args[i] is
// not that option. missing is set when the value is absent.
bool OptionValue(const std::vector<std::string>& args, size_t& i, const std::string& name, std::string& value,
                 bool& missing) {
    const std::string& arg = args[i];
    if (arg == name) {
        missing = i + 1 >= args.size();
        if (!missing) value = args[++i];
        return true;
    }
    if (arg.rfind(name + "=", 0) == 0) {
        value = arg.substr(name.size() + 1);
        missing = value.empty();
        return true;
    }
    return false;
}

// Board, store and active profile; exit code through code when false.
bool Prepare(Session& session, CommandContext& context, int& code) {
    code = kExitFailure;
    if (!session.SelectBoard() || !session.OpenStore()) return false;
    context.profile = session.ActiveProfile();
    if (context.profile <= 0) {
        session.Fail("the profile store has no profile");
        return false;
    }
    context.fnLayer = 0;
    context.keyboardLayout = keynames::CurrentKeyboardLayout();
    context.definition = &session.Definition();
    return true;
}

bool SecondFamily(Session& session) { return device::IsSecondFamily(session.Board().deviceType); }

int RunDevices(Session& session, const std::vector<std::string>& args) {
    if (!args.empty()) return UsageError("devices takes no arguments");
    if (!session.Scan()) return kExitFailure;
    const auto& lines = session.ModeLines();
    for (size_t i = 0; i < lines.size(); ++i) {
        const KeyboardEntry& line = lines[i];
        std::string text = line.layoutName.ToUtf8() + "\t" + ModeName(line.modeValue) + "\t";
        if (!session.Presence()[i]) {
            std::printf("%sabsent\n", text.c_str());
            continue;
        }
        text += "present";
        device::DeviceManager& manager = session.Manager();
        manager.SetSelectedDeviceType(line.deviceType);
        device::OpenedDeviceInfo info;
        int version = 0;
        if (manager.ActiveDevice(&info) && info.productId == line.productId && manager.QueryFirmwareVersion(version)) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "\t0x%04X", static_cast<unsigned>(version));
            text += hex;
        }
        std::printf("%s\n", text.c_str());
    }
    return kExitOk;
}

int RunApply(Session& session, const std::vector<std::string>& args) {
    int profile = 0, key = 0;
    bool haveProfile = false, haveKey = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string value;
        bool missing = false;
        if (OptionValue(args, i, "--profile", value, missing)) {
            if (missing || !ParseNumber(value, profile) || profile <= 0) return UsageError("--profile needs a profile id");
            haveProfile = true;
        } else if (OptionValue(args, i, "--key", value, missing)) {
            if (missing || !ParseNumber(value, key) || key <= 0 || key > 0xFF)
                return UsageError("--key needs a device key code (1-255, decimal or 0x hex)");
            haveKey = true;
        } else {
            return UsageError("apply: unknown argument " + args[i]);
        }
    }
    CommandContext context;
    int code = kExitFailure;
    if (!session.SelectBoard() || !session.OpenStore()) return kExitFailure;
    if (session.ActiveProfile() <= 0) return session.Fail("the profile store has no profile");
    if (haveProfile) {
        std::vector<ProfileRecord> list;
        session.Store().ListProfiles(list);
        bool known = false;
        for (const ProfileRecord& record : list) known = known || record.profileId == profile;
        if (!known) return session.Fail("no profile " + std::to_string(profile));
        session.Store().SetActiveProfile(profile);
    }
    if (!Prepare(session, context, code)) return code;
    if (session.ConnectionMode() != device::kConnWired)
        return session.Fail("key assignments can only be written over the cable");
    if (SecondFamily(session)) {
        context.singleKey = haveKey;
        context.singleKeyCode = key;
        SecondFamilyCommands commands(session.Manager(), session.Store());
        const auto result = commands.WriteKeyAssignments(context);
        if (!result.sent) return session.Fail("writing the key assignments failed");
        if (result.macrosSkipped > 0 || result.remapsSkipped > 0)
            std::fprintf(stderr,
                         "tastractl: the keyboard holds 13 macro and 10 remapped keys; %d macro and %d remap "
                         "assignments were not written\n",
                         result.macrosSkipped, result.remapsSkipped);
        return kExitOk;
    }
    FirstFamilyCommands commands(session.Manager(), session.Store());
    const auto result = commands.WriteKeyAssignmentsFirst(context);
    if (!result.sent || !result.keyTableWritten) return session.Fail("writing the key table failed");
    if (result.macroUploadFailed) return session.Fail("uploading a macro failed; the key table was written");
    return kExitOk;
}

int RunLight(Session& session, const std::vector<std::string>& args) {
    if (!args.empty()) return UsageError("light takes no arguments");
    CommandContext context;
    int code = kExitFailure;
    if (!Prepare(session, context, code)) return code;
    session.SeedDefaultLights(context.profile);
    LightRecord record;
    if (!session.Store().GetLight(context.profile, session.Store().GetActiveLightMode(context.profile), record))
        return session.Fail("the active profile has no active lighting mode");
    bool ok = false;
    if (SecondFamily(session)) {
        ok = SecondFamilyCommands(session.Manager(), session.Store()).SetLightMode(context);
    } else {
        FirstFamilyCommands commands(session.Manager(), session.Store());
        context.modeParameters = false;
        ok = commands.SetLightModeFirst(context);
        ok = commands.SetLightModeFirst(context) && ok;
    }
    return ok ? kExitOk : session.Fail("writing the lighting failed");
}

int RunCustom(Session& session, const std::vector<std::string>& args) {
    if (!args.empty()) return UsageError("custom takes no arguments");
    CommandContext context;
    int code = kExitFailure;
    if (!Prepare(session, context, code)) return code;
    if (SecondFamily(session)) return session.Fail("this keyboard keeps no per-key colour table");
    FirstFamilyCommands commands(session.Manager(), session.Store());
    return commands.WriteCustomColoursFirst(context) ? kExitOk : session.Fail("writing the per-key colours failed");
}

int RunReset(Session& session, const std::vector<std::string>& args) {
    bool yes = false;
    for (const std::string& arg : args) {
        if (arg != "--yes") return UsageError("reset: unknown argument " + arg);
        yes = true;
    }
    if (!yes) {
        std::fprintf(stderr,
                     "tastractl: reset deletes the keyboard's profile database (every profile, key assignment, "
                     "macro and lighting setting) and restores the keyboard's factory settings; run "
                     "\"tastractl reset --yes\" to do so\n");
        return kExitUsage;
    }
    if (!session.SelectBoard()) return kExitFailure;
    if (!session.RecreateStore()) return kExitFailure;
    if (session.ActiveProfile() <= 0) return session.Fail("the new profile store has no profile");
    const bool ok = SecondFamily(session) ? SecondFamilyCommands(session.Manager(), session.Store()).FactoryReset()
                                          : FirstFamilyCommands(session.Manager(), session.Store()).FactoryResetFirst();
    return ok ? kExitOk : session.Fail("the keyboard's factory reset failed");
}

int RunVersion(Session& session, const std::vector<std::string>& args) {
    if (!args.empty()) return UsageError("version takes no arguments");
    if (!session.SelectBoard()) return kExitFailure;
    int version = 0;
    if (!session.Manager().QueryFirmwareVersion(version)) return session.Fail("the keyboard did not tell its version");
    std::printf("0x%04X\n", static_cast<unsigned>(version));
    return kExitOk;
}

int RunSimState(Session& session, const std::vector<std::string>& args) {
    if (!args.empty()) return UsageError("sim-state takes no arguments");
    (void)session;
    std::printf("%s\n", device::sim::SimStateRegistry::Instance().Document().Write(2).c_str());
    return kExitOk;
}

const bool kRegistered = RegisterCommand({"devices", "devices", "list the catalogued boards and which are present",
                                          &RunDevices}) &&
                         RegisterCommand({"apply", "apply [--profile ID] [--key CODE]",
                                          "write the key table of a profile (default: the active one)", &RunApply}) &&
                         RegisterCommand({"light", "light", "write the active lighting mode of the active profile",
                                          &RunLight}) &&
                         RegisterCommand({"custom", "custom", "write the stored per-key colours", &RunCustom}) &&
                         RegisterCommand({"reset", "reset --yes",
                                          "recreate the model's database and factory-reset the keyboard", &RunReset}) &&
                         RegisterCommand({"version", "version", "print the board's firmware version", &RunVersion}) &&
                         RegisterCommand({"sim-state", "sim-state", "print the simulated boards' state as JSON",
                                          &RunSimState});

}  // namespace
}  // namespace ctl
