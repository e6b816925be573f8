#include "platform/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "ui/core/Manager.h"

namespace paths {
namespace {

constexpr char16_t kDefaultProductName[] = u"Tastra";
// Longest product name (UTF-8 bytes) used in file names: it must leave room
// for " Files", ".desktop" or "-<uid>.lock" within one path component.
constexpr size_t kMaxPathNameBytes = 200;

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string WithSlash(std::string s) {
    if (s.empty() || s.back() != '/') s += '/';
    return s;
}

bool IsDirectory(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ExecutableFolder() {
    std::string buf(4096, '\0');
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return "./";
    buf.resize(static_cast<size_t>(n));
    auto slash = buf.rfind('/');
    return slash == std::string::npos ? "./" : buf.substr(0, slash + 1);
}

std::string HomeOr(const char* var, const char* underHome) {
    std::string v = Env(var);
    // The XDG rules ignore relative values.
    if (!v.empty() && v[0] == '/') return WithSlash(v);
    std::string home = Env("HOME");
    if (home.empty()) home = "/tmp";
    return WithSlash(home) + underHome;
}

}  // namespace

CString ProgramFolder() { return CString::FromUtf8(ExecutableFolder()); }

CString DataRoot() {
    std::string root = Env("TASTRA_DATA_ROOT");
    if (!root.empty()) return CString::FromUtf8(WithSlash(root));
    std::string exe = ExecutableFolder();
    std::string shared = exe + "../share/tastra/";
    if (IsDirectory(shared)) return CString::FromUtf8(shared);
    return CString::FromUtf8(exe);
}

CString NormalizeRelative(const CString& relative) {
    std::u16string out;
    out.reserve(static_cast<size_t>(relative.GetLength()));
    for (char16_t c : relative.str()) {
        if (c == u'\\') c = u'/';
        if (c == u'/' && (out.empty() || out.back() == u'/')) continue;
        out += c;
    }
    return CString(std::move(out));
}

CString DataPath(const CString& relative) { return DataRoot() + NormalizeRelative(relative); }

CString PathProductName() {
    CString name = Manager::GetDeviceName();
    if (name.IsEmpty() || name == u"." || name == u".." || name.Find(u'/') >= 0 || name.Find(u'\0') >= 0 ||
        name.ToUtf8().size() > kMaxPathNameBytes)
        return kDefaultProductName;
    return name;
}

CString DataFolder() {
    return CString::FromUtf8(HomeOr("XDG_DATA_HOME", ".local/share/")) + PathProductName() + u" Files/";
}

CString ConfigHome() { return CString::FromUtf8(HomeOr("XDG_CONFIG_HOME", ".config/")); }

bool CreateFolderTree(const CString& path) {
    std::string p = path.ToUtf8();
    if (p.empty()) return false;
    if (IsDirectory(p)) return true;
    // Create every ancestor from the top down; errors are left to the final
    // check, which is what decides.
    for (size_t i = 1; i < p.size(); ++i) {
        if (p[i] == '/') mkdir(p.substr(0, i).c_str(), 0755);
    }
    if (mkdir(p.c_str(), 0755) == 0 || errno == EEXIST) return IsDirectory(p);
    return false;
}

}  // namespace paths
