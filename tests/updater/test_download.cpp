// The updater's transfers against a server in this process: request
// headers, error statuses, size caps, a stalled server, progress values.
#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "tests/support/TestEnv.h"
#include "tests/updater/TestHttpServer.h"
#include "updater/Downloader.h"

namespace {

using testhttp::Response;
using testhttp::TestHttpServer;
using updater::Downloader;
using updater::TransferLimits;

class RecordedProgress : public updater::ProgressSink {
public:
    void PostProgress(int value) override {
        std::lock_guard lock(m_mutex);
        m_values.push_back(value);
    }
    std::vector<int> Values() {
        std::lock_guard lock(m_mutex);
        return m_values;
    }

private:
    std::mutex m_mutex;
    std::vector<int> m_values;
};

CString Url(const TestHttpServer& server, const std::string& path) {
    return CString::FromUtf8(server.BaseUrl() + path);
}

TransferLimits QuickLimits() {
    TransferLimits limits;
    limits.timeouts.connectMs = 2000;
    limits.timeouts.lowSpeedBytesPerSec = 1;
    limits.timeouts.lowSpeedSeconds = 1;
    return limits;
}

TEST(FetchText, SendsTheProgramsRequestAndDecodesUtf8) {
    TestHttpServer server;
    server.Serve("/sw/version", Response{200, "1.0.\xC3\xA9"});
    Downloader downloader(QuickLimits());
    CString text;
    ASSERT_EQ(updater::kTransferOk, downloader.FetchText(Url(server, "sw/version"), &text));
    EXPECT_EQ(CString(u"1.0.\u00e9"), text);

    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_NE(std::string::npos, requests[0].find("User-Agent: IIC2.0/PC 5.5.0000\r\n"));
    EXPECT_NE(std::string::npos, requests[0].find("Accept: */*\r\n"));
    EXPECT_NE(std::string::npos, requests[0].find("Pragma: no-cache\r\n"));
    EXPECT_NE(std::string::npos, requests[0].find("Cache-Control: no-cache\r\n"));
}

TEST(FetchText, ErrorStatusesOversizedBodiesAndOtherSchemesFail) {
    TestHttpServer server;
    server.Serve("/404", Response{404, "1.0.2"});
    server.Serve("/500", Response{500, "1.0.2"});
    server.Serve("/big", Response{200, std::string(5000, '1')});
    server.Serve("/big-unsized", Response{200, std::string(5000, '1'), false});
    server.Serve("/empty", Response{200, ""});
    Downloader downloader(QuickLimits());
    CString text = u"old";
    for (const char* path : {"404", "500", "big", "big-unsized"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(updater::kTransferFailed, downloader.FetchText(Url(server, path), &text));
        EXPECT_TRUE(text.IsEmpty());
    }
    EXPECT_EQ(updater::kTransferOk, downloader.FetchText(Url(server, "empty"), &text));
    EXPECT_TRUE(text.IsEmpty());

    // No request at all for what is not an http(s) url (an empty base url
    // leaves just "version").
    const size_t before = server.Requests().size();
    for (const char16_t* url : {u"version", u"file:///etc/hostname", u"ftp://127.0.0.1/version"}) {
        EXPECT_EQ(updater::kTransferFailed, downloader.FetchText(url, &text));
    }
    EXPECT_EQ(before, server.Requests().size());
}

TEST(DownloadToFile, WritesTheBodyAndPostsProgressInOrder) {
    TestHttpServer server;
    std::string body;
    for (int i = 0; i < 100000; ++i) body += static_cast<char>('a' + i % 26);
    server.Serve("/pkg.zip", Response{200, body, true, 7000, 1});
    server.Serve("/unsized.zip", Response{200, body, false, 7000, 1});
    server.Serve("/tiny.zip", Response{200, "abc"});
    const std::string dir = testenv::MakeTempDir("download");

    for (const char* name : {"pkg.zip", "unsized.zip", "tiny.zip"}) {
        SCOPED_TRACE(name);
        RecordedProgress progress;
        Downloader downloader(QuickLimits());
        const std::string path = dir + "/" + name;
        ASSERT_EQ(updater::kTransferOk,
                  downloader.DownloadToFile(Url(server, name), CString::FromUtf8(path), &progress));
        EXPECT_EQ(std::string(name) == "tiny.zip" ? "abc" : body, testenv::ReadFile(path));

        const std::vector<int> values = progress.Values();
        ASSERT_GE(values.size(), 5u);
        EXPECT_EQ((std::vector<int>{0, 2, 8, 10}), std::vector<int>(values.begin(), values.begin() + 4));
        EXPECT_EQ(100, values.back());
        const std::vector<int> between(values.begin() + 4, values.end() - 1);
        for (size_t i = 0; i < between.size(); ++i) {
            EXPECT_GT(between[i], i == 0 ? 10 : between[i - 1]);
            EXPECT_LE(between[i], 99);
        }
        if (std::string(name) == "pkg.zip") {
            EXPECT_GE(between.size(), 3u);  // several steps on a 100 kB body
        } else if (std::string(name) == "unsized.zip") {
            EXPECT_TRUE(between.empty());  // nothing to divide by without a length
        }
    }
}

TEST(DownloadToFile, FailuresKeepNoFile) {
    TestHttpServer server;
    server.Serve("/404.zip", Response{404, "<html>missing</html>"});
    server.Serve("/500.zip", Response{500, "<html>broken</html>"});
    server.Serve("/huge.zip", Response{200, std::string(5000, 'x')});
    server.Serve("/huge-unsized.zip", Response{200, std::string(5000, 'x'), false, 1000});
    const std::string dir = testenv::MakeTempDir("failed");
    TransferLimits limits = QuickLimits();
    limits.maxDownloadBytes = 4096;

    for (const char* name : {"404.zip", "500.zip", "huge.zip", "huge-unsized.zip", "missing.zip"}) {
        SCOPED_TRACE(name);
        RecordedProgress progress;
        Downloader downloader(limits);
        const std::string path = dir + "/" + name;
        EXPECT_EQ(updater::kTransferFailed,
                  downloader.DownloadToFile(Url(server, name), CString::FromUtf8(path), &progress));
        EXPECT_FALSE(testenv::FileExists(path)) << "an error body or a part of a package was kept";
        EXPECT_NE(100, progress.Values().back());
    }
}

TEST(DownloadToFile, AStalledServerHitsTheLowSpeedLimit) {
    TestHttpServer server;
    Response stalled{200, std::string(20000, 'x')};
    stalled.chunkBytes = 10000;
    stalled.stallMs = 60000;  // far longer than the limit; the server's stop cuts it short
    server.Serve("/stalled.zip", stalled);
    Response dripping{200, std::string(50000, 'x')};
    dripping.chunkBytes = 100;
    dripping.pauseMs = 3000;  // 100 bytes every 3 s: below 1 byte/s over a 1 s window
    server.Serve("/dripping.zip", dripping);
    const std::string dir = testenv::MakeTempDir("slow");
    TransferLimits limits = QuickLimits();
    limits.timeouts.lowSpeedBytesPerSec = 50;

    for (const char* name : {"stalled.zip", "dripping.zip"}) {
        SCOPED_TRACE(name);
        Downloader downloader(limits);
        const std::string path = dir + "/" + name;
        EXPECT_EQ(updater::kTransferFailed,
                  downloader.DownloadToFile(Url(server, name), CString::FromUtf8(path), nullptr));
        EXPECT_FALSE(testenv::FileExists(path));
    }
    CString text;
    EXPECT_EQ(updater::kTransferFailed, Downloader(limits).FetchText(Url(server, "stalled.zip"), &text));
}

}  // namespace
