#include "ui/core/SkinPath.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "ui/core/Manager.h"

namespace {

std::string ExeFolder() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return "./";
    std::string path(buf, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Clean(const CString& relative) {
    std::string text = relative.ToUtf8();
    std::vector<std::string> parts;
    std::string part;
    auto flush = [&] {
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    };
    for (char c : text) {
        if (c == '\\' || c == '/')
            flush();
        else if (c != '\0')
            part += c;
    }
    flush();
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) out += (i ? "/" : "") + parts[i];
    return out;
}

}  // namespace

namespace skin {

std::string DataRoot() {
    const char* env = std::getenv("TASTRA_DATA_ROOT");
    if (env && *env) {
        std::string root = env;
        if (root.back() != '/') root += '/';
        return root;
    }
    const std::string exe = ExeFolder();
    const std::string share = exe + "../share/tastra/";
    return IsFolder(share) ? share : exe;
}

std::string SkinPath(const CString& name) {
    return DataRoot() + "skins/" + Clean(Manager::GetTheme()) + "/" + Clean(name);
}

std::string DataFile(const CString& relative) {
    return DataRoot() + Clean(relative);
}

}  // namespace skin
