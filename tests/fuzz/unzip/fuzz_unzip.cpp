// libFuzzer target for Unpack. Each input is written as an archive beside a
// scratch folder root/, unpacked into root/out/, and then root/ must hold
// nothing but out/, and out/ nothing but plain files and folders without
// set-id bits.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "updater/Unpack.h"

namespace {

namespace fs = std::filesystem;

void Check(bool condition) {
    if (!condition) std::abort();
}

struct Scratch {
    fs::path base;
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "fuzz_unzip.XXXXXX").string();
        Check(mkdtemp(pattern.data()) != nullptr);
        base = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(base, ignored);
    }
};

const Scratch& TheScratch() {
    static Scratch scratch;
    return scratch;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path base = TheScratch().base;
    const fs::path archive = base / "in.zip";
    const fs::path root = base / "root";
    const fs::path out = root / "out";
    std::error_code error;
    fs::remove_all(root, error);
    fs::create_directories(out, error);

    std::FILE* file = std::fopen(archive.c_str(), "wb");
    Check(file != nullptr);
    Check(std::fwrite(data, 1, size, file) == size);
    Check(std::fclose(file) == 0);

    updater::UnpackLimits limits;
    limits.maxTotalBytes = uint64_t{4} << 20;
    limits.maxEntries = 256;
    (void)updater::Unpack(CString::FromUtf8(archive.string()), CString::FromUtf8(out.string() + "/"), limits);

    size_t inRoot = 0;
    for (const auto& item : fs::directory_iterator(root)) {
        Check(item.path().filename() == "out");
        ++inRoot;
    }
    Check(inRoot == 1);
    size_t inBase = 0;
    for (const auto& item : fs::directory_iterator(base)) {
        (void)item;
        ++inBase;
    }
    Check(inBase == 2);  // in.zip and root/
    for (const auto& item : fs::recursive_directory_iterator(out)) {
        const fs::file_status status = item.symlink_status();
        Check(status.type() == fs::file_type::regular || status.type() == fs::file_type::directory);
        const fs::perms setId = fs::perms::set_uid | fs::perms::set_gid | fs::perms::sticky_bit;
        Check((status.permissions() & setId) == fs::perms::none);
    }
    return 0;
}
