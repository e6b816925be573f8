// tastra_skingen: draws every skin image of the theme into a data root.
//
//   tastra_skingen --out <data root> --manifest <manifest.txt>
//                  [--app-icon <png>] [--stamp <file>]
//
// The manifest lists each image as "<path> <width> <height> <frames>"; the
// build derives its list of outputs from it and the tests check the files
// against it, so the generator refuses to run when its own table and the
// manifest disagree.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>

#include "tools/skingen/SkinSet.h"

namespace {

constexpr int kAppIconSize = 256;
constexpr const char* kThemeFolder = "skins/theme1";

struct Options {
    std::string outRoot;
    std::string manifest;
    std::string appIcon;
    std::string stamp;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) {
            return false;
        }
        const std::string value = argv[++i];
        if (arg == "--out") {
            options.outRoot = value;
        } else if (arg == "--manifest") {
            options.manifest = value;
        } else if (arg == "--app-icon") {
            options.appIcon = value;
        } else if (arg == "--stamp") {
            options.stamp = value;
        } else {
            return false;
        }
    }
    return !options.outRoot.empty() && !options.manifest.empty();
}

using Entry = std::tuple<int, int, int>;  // width, height, frames

bool ReadManifest(const std::string& path, std::map<std::string, Entry>& entries) {
    std::ifstream in(path);
    if (!in) {
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        std::string name;
        int width = 0, height = 0, frames = 0;
        if (!(fields >> name >> width >> height >> frames) ||
            !entries.emplace(name, Entry{width, height, frames}).second) {
            std::fprintf(stderr, "tastra_skingen: bad or repeated manifest line: %s\n", line.c_str());
            return false;
        }
    }
    return true;
}

bool MatchesManifest(const std::vector<skingen::SkinImage>& set, const std::map<std::string, Entry>& manifest) {
    bool ok = set.size() == manifest.size();
    for (const auto& image : set) {
        const auto it = manifest.find(image.path);
        if (it == manifest.end()) {
            std::fprintf(stderr, "tastra_skingen: %s is missing from the manifest\n", image.path.c_str());
            ok = false;
        } else if (it->second != Entry{image.width, image.height, image.frames}) {
            std::fprintf(stderr, "tastra_skingen: manifest has another size for %s (drawn %d x %d, %d frames)\n",
                         image.path.c_str(), image.width, image.height, image.frames);
            ok = false;
        }
    }
    if (!ok && set.size() != manifest.size()) {
        std::fprintf(stderr, "tastra_skingen: manifest lists %zu images, the generator draws %zu\n", manifest.size(),
                     set.size());
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: tastra_skingen --out <data root> --manifest <file> [--app-icon <png>] [--stamp <file>]\n");
        return 2;
    }
    std::map<std::string, Entry> manifest;
    if (!ReadManifest(options.manifest, manifest)) {
        std::fprintf(stderr, "tastra_skingen: cannot read manifest %s\n", options.manifest.c_str());
        return 1;
    }
    const std::vector<skingen::SkinImage> set = skingen::BuildSkinSet();
    if (!MatchesManifest(set, manifest)) {
        return 1;
    }

    namespace fs = std::filesystem;
    const fs::path theme = fs::path(options.outRoot) / kThemeFolder;
    for (const auto& image : set) {
        const fs::path target = theme / image.path;
        std::error_code error;
        fs::create_directories(target.parent_path(), error);
        if (error || !image.write(target.string())) {
            std::fprintf(stderr, "tastra_skingen: cannot write %s\n", target.string().c_str());
            return 1;
        }
    }
    if (!options.appIcon.empty()) {
        std::error_code error;
        fs::create_directories(fs::path(options.appIcon).parent_path(), error);
        if (error || !skingen::WriteApplicationIcon(options.appIcon, kAppIconSize)) {
            std::fprintf(stderr, "tastra_skingen: cannot write %s\n", options.appIcon.c_str());
            return 1;
        }
    }
    if (!options.stamp.empty()) {
        std::ofstream stamp(options.stamp, std::ios::trunc);
        stamp << set.size() << " images\n";
        if (!stamp) {
            return 1;
        }
    }
    return 0;
}
