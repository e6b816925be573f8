// process::StartProgram on posix_spawn.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/Process.h"

extern char** environ;

namespace process {
namespace {

// Adds the execute bit wherever the read bit is set, as `chmod +x` would
// for a file its owner can read; never touches set-id or sticky bits.
void MakeExecutable(const std::string& path, const struct stat& st) {
    const mode_t permissions = st.st_mode & 0777;
    mode_t wanted = permissions | S_IXUSR;
    if (permissions & S_IRGRP) wanted |= S_IXGRP;
    if (permissions & S_IROTH) wanted |= S_IXOTH;
    if (wanted != permissions) chmod(path.c_str(), wanted);  // a read-only folder: try to run it anyway
}

}  // namespace

bool StartProgram(const CString& path) {
    const std::string file = path.ToUtf8();
    struct stat st {};
    if (file.empty() || stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    MakeExecutable(file, st);

    // The program blocks the termination signals on every thread and may
    // ignore others; the started program must not inherit that, and runs in
    // its own process group so it outlives whatever ends this one.
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0) return false;
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigfillset(&defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    char* argv[] = {const_cast<char*>(file.c_str()), nullptr};
    pid_t pid = 0;
    const bool started = posix_spawn(&pid, file.c_str(), nullptr, &attributes, argv, environ) == 0;
    posix_spawnattr_destroy(&attributes);
    return started;
}

}  // namespace process
