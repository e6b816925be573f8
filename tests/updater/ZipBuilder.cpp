#include "tests/updater/ZipBuilder.h"

#include <zip.h>

namespace testzip {

bool WriteZip(const std::string& path, const std::vector<Entry>& entries) {
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip) return false;
    bool ok = true;
    for (const Entry& e : entries) {
        zip_fileinfo info{};
        info.tmz_date.tm_year = static_cast<uInt>(e.year);
        info.tmz_date.tm_mon = static_cast<uInt>(e.month - 1);
        info.tmz_date.tm_mday = static_cast<uInt>(e.day);
        info.tmz_date.tm_hour = static_cast<uInt>(e.hour);
        info.tmz_date.tm_min = static_cast<uInt>(e.minute);
        info.tmz_date.tm_sec = static_cast<uInt>(e.second);
        uLong versionMadeBy = 0;
        if (e.unixMode) {
            info.external_fa = static_cast<uLong>(*e.unixMode) << 16;
            versionMadeBy = 3u << 8 | 20;
        }
        std::string extra;
        if (e.unixMtime) {
            const uint32_t t = *e.unixMtime;
            extra = std::string("UT\x05\x00\x01", 5);
            for (int shift = 0; shift < 32; shift += 8) extra += static_cast<char>((t >> shift) & 0xFF);
        }
        const void* extraData = extra.empty() ? nullptr : extra.data();
        const uInt extraSize = static_cast<uInt>(extra.size());
        ok = ok && zipOpenNewFileInZip4(zip, e.name.c_str(), &info, extraData, extraSize, extraData, extraSize, nullptr,
                                        Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                        Z_DEFAULT_STRATEGY, nullptr, 0, versionMadeBy, 0) == ZIP_OK;
        ok = ok && zipWriteInFileInZip(zip, e.data.data(), static_cast<unsigned>(e.data.size())) == ZIP_OK;
        ok = ok && zipCloseFileInZip(zip) == ZIP_OK;
    }
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

}  // namespace testzip
