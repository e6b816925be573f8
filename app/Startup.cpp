#include "app/Startup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "app/Language.h"
#include "device/DeviceLinkSetup.h"
#include "device/DeviceManager.h"
#include "platform/Autostart.h"
#include "platform/Paths.h"
#include "platform/SingleInstance.h"
#include "platform/StopSignal.h"
#include "ui/core/Manager.h"

namespace {

constexpr char16_t kExecutableName[] = u"tastra";
constexpr char16_t kDatabaseFolder[] = u"db/";
constexpr char kExitAfterStartOption[] = "--exit-after-start";

// Stands in for the module handle the toolkit keeps: this system has none,
// but callers may test the value for null.
int g_moduleToken = 0;

struct RaiseHookSlot {
    std::mutex lock;
    std::function<void()> hook;
};

RaiseHookSlot& RaiseHook() {
    static RaiseHookSlot slot;
    return slot;
}

void OnRaiseRequest() {
    std::function<void()> hook;
    {
        std::lock_guard guard(RaiseHook().lock);
        hook = RaiseHook().hook;
    }
    if (hook) {
        hook();
        return;
    }
    // No main window yet: scripts and tests can still see the request.
    std::fputs("tastra: raise requested\n", stdout);
    std::fflush(stdout);
}

}  // namespace

void SetRaiseHook(std::function<void()> hook) {
    std::lock_guard guard(RaiseHook().lock);
    RaiseHook().hook = std::move(hook);
}

bool EnableDebugPrivilege() {
    return true;
}

CString AutostartExecutable() {
    return paths::ProgramFolder() + kExecutableName;
}

void SetAutostart(bool enabled) {
    // Failures are not reported: the check box reads the state back.
    if (enabled)
        (void)autostart::Enable(AutostartExecutable(), Manager::GetDeviceName());
    else
        (void)autostart::Disable();
}

bool IsAutostartEnabled() {
    return autostart::IsEnabled();
}

StartupOptions ParseStartupOptions(int argc, char** argv) {
    StartupOptions options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], kExitAfterStartOption) == 0) options.exitAfterStart = true;
        options.args.emplace_back(argv[i]);
    }
    return options;
}

int RunProgram(const StartupOptions& options) {
    // Before any thread exists, so that the session's termination request
    // reaches the main loop and not a helper thread.
    stopsignal::Block();

    ReadProductName();

    // The HID layer: the system's, or the simulated boards asked for. A
    // list naming no catalogued model is a usage error, also for a second
    // start, so it is checked before the single-instance step.
    const device::DeviceLinkOptions linkOptions = device::ReadDeviceLinkOptions(
        options.args, std::getenv("TASTRA_SIMULATE"), std::getenv("TASTRA_HID_TRACE"));
    device::DeviceLink link;
    if (int rc = device::InstallDeviceLink(linkOptions, device::DeviceManager::Instance(), link, stderr); rc != 0)
        return rc;

    SingleInstance instance(paths::PathProductName());
    instance.SetRaiseHandler(OnRaiseRequest);
    if (instance.Acquire() == SingleInstance::Outcome::Second) return 0;

    (void)EnableDebugPrivilege();
    ChooseStartupLanguage();
    Manager::SetInstance(&g_moduleToken);
    (void)paths::CreateFolderTree(paths::DataFolder() + kDatabaseFolder);

    std::fputs("tastra: started\n", stdout);
    std::fflush(stdout);
    // The main window takes this place; until it exists the program waits
    // for the session to end it.
    if (!options.exitAfterStart) stopsignal::Wait();
    return 0;
}
