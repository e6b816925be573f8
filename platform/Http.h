// HTTP(S) GET for the updater: one request, the body streamed to a sink.
//
// Every request reaches the server (no cache), says who it is with the
// program's user agent, checks TLS certificates for https and gives up on a
// dead server through a connect time-out and a low-speed limit (not a total
// time-out, which a large package on a slow line would hit).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace http {

// How long a request may wait. The defaults suit a real server; tests
// shorten them.
struct Timeouts {
    long connectMs = 15000;        // time to open the connection
    long lowSpeedBytesPerSec = 1;  // below this rate for lowSpeedSeconds ...
    long lowSpeedSeconds = 30;     // ... the transfer is abandoned
};

// Receives one response. OnStart comes once, before the first OnData (also
// for an empty body), and only for a 2xx answer; returning false from
// either abandons the transfer and makes the request fail.
class BodySink {
public:
    virtual ~BodySink() = default;
    // contentLength: the Content-Length header, 0 when absent.
    virtual bool OnStart(uint64_t contentLength) = 0;
    // At most kChunkBytes per call.
    virtual bool OnData(const char* bytes, size_t count) = 0;
};

// Largest piece of the body handed to OnData at once.
inline constexpr size_t kChunkBytes = 10240;

// The user agent every request carries.
inline constexpr const char* kUserAgent = "IIC2.0/PC 5.5.0000";

// Result codes of Get.
inline constexpr int kGetOk = 1;        // the whole body was delivered
inline constexpr int kGetFailed = -1;   // no connection, not 2xx, read error, time-out, sink refused
inline constexpr int kGetNoClient = 0;  // the HTTP client could not be set up

// GETs `url` (UTF-8; only http:// and https:// are accepted, redirects
// followed within those) and streams a 2xx body to `sink`. Blocks the
// calling thread for the length of the transfer; safe to call from several
// threads at once.
[[nodiscard]] int Get(const std::string& url, BodySink& sink, const Timeouts& timeouts = {});

}  // namespace http
