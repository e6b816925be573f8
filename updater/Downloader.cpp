#include "updater/Downloader.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace updater {
namespace {

class TextSink final : public http::BodySink {
public:
    explicit TextSink(size_t maxBytes) : m_maxBytes(maxBytes) {}
    bool OnStart(uint64_t contentLength) override { return contentLength <= m_maxBytes; }
    bool OnData(const char* bytes, size_t count) override {
        if (count > m_maxBytes - m_body.size()) return false;
        m_body.append(bytes, count);
        return true;
    }
    [[nodiscard]] const std::string& Body() const noexcept { return m_body; }

private:
    size_t m_maxBytes;
    std::string m_body;
};

void RemoveFile(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

}  // namespace

// The package file is created only once the server has answered with a
// 2xx status, so an error page never becomes a package.
class Downloader::FileSink final : public http::BodySink {
public:
    FileSink(Downloader& owner, std::string path, ProgressSink* progress)
        : m_owner(owner), m_path(std::move(path)), m_progress(progress) {}
    ~FileSink() override { Close(); }
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    bool OnStart(uint64_t contentLength) override {
        m_owner.Post(m_progress, kProgressUrlOpen, false);
        if (contentLength > m_owner.m_limits.maxDownloadBytes) return false;
        m_contentLength = contentLength;
        RemoveFile(m_path);
        m_file = std::fopen(m_path.c_str(), "wb");
        if (!m_file) return false;
        m_created = true;
        m_owner.Post(m_progress, kProgressFileCreated, false);
        return true;
    }

    bool OnData(const char* bytes, size_t count) override {
        if (count > m_owner.m_limits.maxDownloadBytes - m_received) return false;
        if (std::fwrite(bytes, 1, count, m_file) != count) return false;
        m_received += count;
        if (m_contentLength > 0) {
            const uint64_t share =
                10 + 90 * (m_received < m_contentLength ? m_received : m_contentLength) / m_contentLength;
            const int value = share > kProgressLastBeforeDone ? kProgressLastBeforeDone : static_cast<int>(share);
            m_owner.Post(m_progress, value, true);
        }
        return true;
    }

    // True when the file was created and written out completely.
    bool Close() {
        if (!m_file) return false;
        const bool ok = std::fclose(m_file) == 0;
        m_file = nullptr;
        return ok;
    }
    [[nodiscard]] bool Created() const noexcept { return m_created; }

private:
    Downloader& m_owner;
    std::string m_path;
    ProgressSink* m_progress;
    std::FILE* m_file = nullptr;
    bool m_created = false;
    uint64_t m_contentLength = 0;
    uint64_t m_received = 0;
};

void Downloader::Post(ProgressSink* progress, int value, bool onlyChanges) {
    if (!progress || (onlyChanges && value == m_lastProgress)) return;
    m_lastProgress = value;
    progress->PostProgress(value);
}

int Downloader::FetchText(const CString& url, CString* text) {
    text->Empty();
    TextSink sink(m_limits.maxTextBytes);
    const int result = http::Get(url.ToUtf8(), sink, m_limits.timeouts);
    if (result == http::kGetNoClient) return kTransferNoClient;
    if (result != http::kGetOk) return kTransferFailed;
    *text = CString::FromUtf8(sink.Body());
    return kTransferOk;
}

int Downloader::DownloadToFile(const CString& url, const CString& path, ProgressSink* progress) {
    const std::string file = path.ToUtf8();
    Post(progress, kProgressStart, false);
    Post(progress, kProgressClientOpen, false);
    FileSink sink(*this, file, progress);
    const int result = http::Get(url.ToUtf8(), sink, m_limits.timeouts);
    const bool created = sink.Created();
    const bool written = sink.Close();
    if (result == http::kGetOk && written) {
        Post(progress, kProgressDone, false);
        return kTransferOk;
    }
    // A half-written or refused package must not be mistaken for one.
    if (created) RemoveFile(file);
    return result == http::kGetNoClient ? kTransferNoClient : kTransferFailed;
}

}  // namespace updater
