#include "ui/backend/MFont.h"

#include <dirent.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// fontconfig's configuration is process-wide; additions go through one lock.
std::mutex& FontLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

bool MFontRegistry::AddFontFile(const std::string& path) {
    std::lock_guard guard(FontLock());
    FcInit();
    return FcConfigAppFontAddFile(FcConfigGetCurrent(), reinterpret_cast<const FcChar8*>(path.c_str())) == FcTrue;
}

int MFontRegistry::AddFontFolder(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return 0;
    std::vector<std::string> files;
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        auto ends = [&](const char* ext) {
            const std::string x = ext;
            if (name.size() < x.size()) return false;
            std::string tail = name.substr(name.size() - x.size());
            std::transform(tail.begin(), tail.end(), tail.begin(), ::tolower);
            return tail == x;
        };
        if (ends(".otf") || ends(".ttf") || ends(".ttc")) files.push_back(folder + "/" + name);
    }
    closedir(dir);
    std::sort(files.begin(), files.end());
    int added = 0;
    for (const auto& f : files) added += AddFontFile(f) ? 1 : 0;
    return added;
}

std::string MFontRegistry::FamilyList(const CString& key) {
    if (key.IsEmpty() || key == u"SourceHanSansCN-Regular") return "Source Han Sans CN,Noto Sans CJK SC,sans-serif";
    std::string family = key.ToUtf8();
    // A comma would start another family in the list.
    std::replace(family.begin(), family.end(), ',', ' ');
    return family + ",Noto Sans CJK SC,sans-serif";
}

bool MFontRegistry::HasFamily(const CString& family) {
    std::lock_guard guard(FontLock());
    FcInit();
    const std::string name = family.ToUtf8();
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* set = FcFontList(FcConfigGetCurrent(), pattern, os);
    const bool found = set && set->nfont > 0;
    if (set) FcFontSetDestroy(set);
    FcObjectSetDestroy(os);
    FcPatternDestroy(pattern);
    return found;
}
