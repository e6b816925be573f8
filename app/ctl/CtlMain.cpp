// tastractl: the command-line companion of the program, over the same
// store and device link. Options come before the command.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/ctl/CtlCommand.h"

namespace {

constexpr const char* kHelp =
    "usage: tastractl [OPTIONS] COMMAND [ARGS]\n"
    "  OPTIONS (before the command, any order, also as --opt=VALUE):\n"
    "    --simulate MODEL[,...]  use simulated keyboards (MODEL[:receiver|:bluetooth], or all)\n"
    "    --hid-trace FILE        record every report exchanged in FILE\n"
    "    --data-dir DIR          use DIR as the data folder (the database is\n"
    "                            DIR/db/<name>_data_v1.db); default the XDG one\n"
    "    --model DEVICE_INFO     which present board to talk to (default: the\n"
    "                            first present line in catalogue order)\n"
    "  COMMANDS:\n";

void PrintHelp(std::FILE* out) {
    std::fputs(kHelp, out);
    for (const ctl::Command& command : ctl::Commands())
        std::fprintf(out, "    %-34s %s\n", command.usage, command.summary);
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "tastractl: %s (see tastractl --help)\n", message.c_str());
    return ctl::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    ctl::Options options;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            PrintHelp(stdout);
            return ctl::kExitOk;
        }
        if (arg.rfind("--", 0) != 0) break;
        std::string name = arg, value;
        bool hasValue = false;
        if (size_t eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            hasValue = true;
        }
        if (name != "--simulate" && name != "--hid-trace" && name != "--data-dir" && name != "--model")
            return Usage("unknown option " + name);
        if (!hasValue) {
            if (i + 1 >= args.size()) return Usage(name + " needs a value");
            value = args[++i];
        }
        if (value.empty()) return Usage(name + " needs a value");
        if (name == "--data-dir") options.dataDir = value;
        else if (name == "--model") options.model = value;
        else options.linkArgs.push_back(name + "=" + value);
    }
    if (i >= args.size()) return Usage("no command given");
    const ctl::Command* command = ctl::FindCommand(args[i]);
    if (!command) return Usage("unknown command " + args[i]);
    std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(i + 1), args.end());
    for (const std::string& arg : rest)
        if (arg == "--help") {
            std::printf("usage: tastractl [OPTIONS] %s\n  %s\n", command->usage, command->summary);
            return ctl::kExitOk;
        }
    ctl::Session session(options);
    int code = 0;
    if (!session.StartLink(code)) return code;
    return command->run(session, rest);
}
