// The program's start-up and the process-wide helpers it owns: product name,
// single instance, language, data folders, autostart.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/base/CString.h"

// Reads the product name from config.xml in the data root (root "config",
// child "software", attribute "name") and hands it to the toolkit. A file
// that cannot be read or parsed, or lacks either element, keeps the default.
void ReadProductName();

// Nothing to enable on this system; always reports success.
bool EnableDebugPrivilege();

// The program's autostart entry, which starts ProgramFolder() + "tastra".
void SetAutostart(bool enabled);
[[nodiscard]] bool IsAutostartEnabled();
// The executable the autostart entry starts.
[[nodiscard]] CString AutostartExecutable();

// How the main window comes to the front when another start asks for it.
// The hook runs on the single-instance listener thread, so it must only hand
// the request to the UI thread. Without a hook (no main window yet) the
// request is announced on the standard output. An empty function removes it.
void SetRaiseHook(std::function<void()> hook);

struct StartupOptions {
    // Run every start-up step, then end at once (for scripts and tests).
    bool exitAfterStart = false;
    // Every argument after the program name, for the parts that read their
    // own options (the device link's --simulate and --hid-trace).
    std::vector<std::string> args;
};

// Options from the command line; unknown arguments are ignored.
[[nodiscard]] StartupOptions ParseStartupOptions(int argc, char** argv);

// Runs the program: every start-up step in order, the main loop, the
// shut-down. Returns the exit code (0 after a normal close, and when another
// instance was asked to show itself instead).
int RunProgram(const StartupOptions& options);
