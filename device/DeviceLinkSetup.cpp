#include "device/DeviceLinkSetup.h"

#include <string_view>

#include "device/DeviceManager.h"

namespace device {
namespace {

// Finds "--name VALUE" or "--name=VALUE"; the last one given wins.
bool FindOption(const std::vector<std::string>& args, std::string_view name, std::string& value, std::string& error) {
    bool found = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (arg == name) {
            if (i + 1 >= args.size()) {
                error = std::string(name) + ": a value is needed";
                return found;
            }
            value = args[++i];
            found = true;
        } else if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=') {
            value = std::string(arg.substr(name.size() + 1));
            found = true;
        }
    }
    return found;
}

}  // namespace

DeviceLinkOptions ReadDeviceLinkOptions(const std::vector<std::string>& args, const char* simulateEnv,
                                        const char* traceEnv) {
    DeviceLinkOptions options;
    if (FindOption(args, "--simulate", options.simulateList, options.error)) {
        options.simulate = true;
    } else if (simulateEnv && *simulateEnv) {
        options.simulate = true;
        options.simulateList = simulateEnv;
    }
    if (FindOption(args, "--hid-trace", options.traceFile, options.error)) {
        options.trace = true;
    } else if (traceEnv && *traceEnv) {
        options.trace = true;
        options.traceFile = traceEnv;
    }
    return options;
}

bool BuildDeviceLink(const DeviceLinkOptions& options, DeviceLink& link, std::string& error, std::string& warning) {
    link = DeviceLink{};
    error.clear();
    warning.clear();
    if (!options.error.empty()) {
        error = options.error;
        return false;
    }
    if (options.simulate) {
        std::vector<sim::SimBoardSpec> boards;
        if (!sim::ParseSimulateList(options.simulateList, boards, error)) return false;
        link.simulated = std::make_shared<sim::SimulatedHid>();
        for (const sim::SimBoardSpec& boardSpec : boards) link.simulated->Plug(boardSpec);
        link.api = link.simulated;
        link.monitor = link.simulated;
    } else {
        link.api = hid::CreateHidapiBackend();
        link.monitor = hotplug::CreateUdevMonitor();
    }
    if (options.trace) {
        auto writer = std::make_shared<HidTraceWriter>(options.traceFile);
        if (writer->IsOpen()) {
            link.trace = writer;
            link.api = WithHidTrace(link.api, writer);
        } else {
            warning = "--hid-trace: cannot open " + options.traceFile + " for appending";
        }
    }
    return true;
}

int InstallDeviceLink(const DeviceLinkOptions& options, DeviceManager& manager, DeviceLink& link, std::FILE* err) {
    std::string error, warning;
    if (!BuildDeviceLink(options, link, error, warning)) {
        if (err) std::fprintf(err, "%s\n", error.c_str());
        return sim::kExitBadSimulateList;
    }
    if (!warning.empty() && err) std::fprintf(err, "%s\n", warning.c_str());
    manager.SetHidApi(link.api);
    return 0;
}

}  // namespace device
