// The updater's transfers: a version file into memory, a package to disk.
//
// Only a 2xx answer counts; on any failure no file is left at the target
// path. Sizes are capped, so a broken or hostile server can fill neither
// memory nor the disk.
#pragma once

#include <cstdint>

#include "platform/Http.h"
#include "ui/base/CString.h"
#include "updater/ProgressSink.h"

namespace updater {

// Result codes of FetchText and DownloadToFile.
inline constexpr int kTransferOk = 1;
inline constexpr int kTransferFailed = -1;   // url not opened, error status, read or write failure, too large
inline constexpr int kTransferNoClient = 0;  // no HTTP client

// Progress values posted at the fixed points of a download.
inline constexpr int kProgressStart = 0;
inline constexpr int kProgressClientOpen = 2;
inline constexpr int kProgressUrlOpen = 8;
inline constexpr int kProgressFileCreated = 10;
inline constexpr int kProgressDone = 100;
// In between: 10 + 90 x received / content length, never above this.
inline constexpr int kProgressLastBeforeDone = 99;

struct TransferLimits {
    size_t maxTextBytes = 4096;                       // a version file is a few characters
    uint64_t maxDownloadBytes = uint64_t{512} << 20;  // largest package taken
    http::Timeouts timeouts;
};

class Downloader {
public:
    explicit Downloader(TransferLimits limits = {}) : m_limits(limits) {}

    // The body of `url` as UTF-16 (taken as UTF-8) in `text`.
    [[nodiscard]] int FetchText(const CString& url, CString* text);

    // Writes the body of `url` to `path` (replacing a file there), posting
    // progress to `progress` when one is given.
    [[nodiscard]] int DownloadToFile(const CString& url, const CString& path, ProgressSink* progress);

    [[nodiscard]] const TransferLimits& Limits() const noexcept { return m_limits; }

private:
    class FileSink;

    void Post(ProgressSink* progress, int value, bool onlyChanges);

    TransferLimits m_limits;
    int m_lastProgress = -1;  // last value posted, so that only changes follow
};

}  // namespace updater
