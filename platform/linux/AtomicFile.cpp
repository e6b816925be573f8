#include "platform/linux/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace platform_linux {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, unsigned mode) {
    // Unique per process and call, so two threads never share a temporary.
    static std::atomic<unsigned> counter{0};
    std::string temp = path + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, static_cast<mode_t>(mode));
    if (fd < 0) return false;
    bool ok = WriteAll(fd, bytes) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok) ok = rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) unlink(temp.c_str());
    return ok;
}

bool ReadSmallFile(const std::string& path, size_t maxBytes, std::string* out, int* error) {
    out->clear();
    int err = 0;
    // O_NONBLOCK keeps a FIFO planted at the path from blocking the open.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        err = errno;
    } else {
        struct stat st {};
        if (fstat(fd, &st) != 0) {
            err = errno;
        } else if (S_ISDIR(st.st_mode)) {
            err = EISDIR;
        } else if (!S_ISREG(st.st_mode)) {
            err = EINVAL;
        } else if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
            err = EFBIG;
        }
        char buf[8192];
        while (err == 0) {
            ssize_t n = read(fd, buf, sizeof buf);
            if (n == 0) break;
            if (n < 0) {
                if (errno != EINTR) err = errno;
                continue;
            }
            out->append(buf, static_cast<size_t>(n));
            // The file may grow while it is read.
            if (out->size() > maxBytes) err = EFBIG;
        }
        close(fd);
    }
    if (err != 0) out->clear();
    if (error) *error = err;
    return err == 0;
}

}  // namespace platform_linux
