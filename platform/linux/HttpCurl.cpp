// libcurl behind http::Get.
#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <mutex>

#include "platform/Http.h"

namespace http {
namespace {

constexpr long kMaxRedirects = 5;
constexpr const char* kAllowedProtocols = "http,https";

bool GlobalInit() {
    // curl_global_init is not thread-safe; the worker and tests may race to it.
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ok;
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    size_t i = 0;
    for (; prefix[i]; ++i) {
        if (i >= text.size() ||
            std::tolower(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(prefix[i])) {
            return false;
        }
    }
    return true;
}

// One request in flight: the answer's status is examined before the sink
// sees anything, so an error page never reaches it.
struct Transfer {
    CURL* curl = nullptr;
    BodySink* sink = nullptr;
    bool started = false;
    bool accepted = false;
};

bool Begin(Transfer& t) {
    if (t.started) return t.accepted;
    t.started = true;
    long status = 0;
    curl_easy_getinfo(t.curl, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) return false;
    curl_off_t length = -1;
    curl_easy_getinfo(t.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    t.accepted = t.sink->OnStart(length > 0 ? static_cast<uint64_t>(length) : 0);
    return t.accepted;
}

size_t OnWrite(char* bytes, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const size_t total = size * count;
    if (!Begin(t)) return total == 0 ? 1 : 0;  // any value other than total fails the transfer
    // The buffer size is only a request to libcurl; keep the promise of the
    // interface even when a larger piece arrives.
    for (size_t offset = 0; offset < total;) {
        const size_t piece = std::min(kChunkBytes, total - offset);
        if (!t.sink->OnData(bytes + offset, piece)) {
            t.accepted = false;
            return 0;
        }
        offset += piece;
    }
    return total;
}

}  // namespace

int Get(const std::string& url, BodySink& sink, const Timeouts& timeouts) {
    if (!GlobalInit()) return kGetNoClient;
    if (!StartsWithNoCase(url, "http://") && !StartsWithNoCase(url, "https://")) return kGetFailed;
    CURL* curl = curl_easy_init();
    if (!curl) return kGetNoClient;

    curl_slist* headers = nullptr;
    for (const char* header : {"Accept: */*", "Cache-Control: no-cache", "Pragma: no-cache"}) {
        if (curl_slist* grown = curl_slist_append(headers, header)) headers = grown;
    }

    Transfer transfer;
    transfer.curl = curl;
    transfer.sink = &sink;

    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, kAllowedProtocols);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, kAllowedProtocols);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // the worker thread must not get SIGALRM
    curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, static_cast<long>(kChunkBytes));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeouts.connectMs);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, timeouts.lowSpeedBytesPerSec);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, timeouts.lowSpeedSeconds);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnWrite);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);

    const CURLcode code = curl_easy_perform(curl);
    // An empty body never reaches the write callback: examine the status here.
    const bool ok = code == CURLE_OK && Begin(transfer);

    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    return ok ? kGetOk : kGetFailed;
}

}  // namespace http
