// XmlDoc: reading and writing whole files, with the encoding rules:
// byte-order marks, the declaration, the UTF-8 test, NUL removal, UTF-16 in
// both byte orders and the code pages (through iconv).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "docs/XmlDoc.h"
#include "docs/XmlEncoding.h"
#include "docs/XmlLogRecord.h"

namespace {

// The encoding of a file is settled from this many leading bytes.
constexpr size_t kEncodingProbeBytes = 1024;

constexpr unsigned char kBomUtf8[] = {0xEF, 0xBB, 0xBF};
constexpr unsigned char kBomUtf16Le[] = {0xFF, 0xFE};
constexpr unsigned char kBomUtf16Be[] = {0xFE, 0xFF};

template <size_t N>
bool StartsWithBytes(const std::string& bytes, const unsigned char (&mark)[N]) {
    return bytes.size() >= N && std::memcmp(bytes.data(), mark, N) == 0;
}

template <size_t N>
std::string MarkBytes(const unsigned char (&mark)[N]) {
    return std::string(reinterpret_cast<const char*>(mark), N);
}

// RAII file descriptor.
class FileHandle {
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    [[nodiscard]] int Get() const noexcept { return m_fd; }
    // Closes now and reports whether the close succeeded.
    bool Close() noexcept {
        int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Reads a regular file of at most XmlDoc::kMaxFileBytes whole. Anything
// else (missing, a folder, a FIFO or device, too large) is an error, and the
// open never waits for a writer.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    if (path.empty()) {
        error = "empty path";
        return false;
    }
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.Get() < 0) {
        error = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(file.Get(), &st) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = "not a regular file";
        return false;
    }
    if (st.st_size > XmlDoc::kMaxFileBytes) {
        error = "file too large";
        return false;
    }
    bytes.clear();
    bytes.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    while (true) {
        ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            error = std::strerror(errno);
            return false;
        }
        if (got == 0) break;
        bytes.append(buffer, static_cast<size_t>(got));
        // The file may have grown since it was measured.
        if (bytes.size() > static_cast<size_t>(XmlDoc::kMaxFileBytes)) {
            error = "file too large";
            return false;
        }
    }
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes, bool append, std::string& error) {
    if (path.empty()) {
        error = "empty path";
        return false;
    }
    const int mode = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (append ? O_APPEND : O_TRUNC);
    FileHandle file(::open(path.c_str(), mode, 0644));
    if (file.Get() < 0) {
        error = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "not a regular file";
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = ::write(file.Get(), bytes.data() + done, bytes.size() - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            error = std::strerror(errno);
            return false;
        }
        done += static_cast<size_t>(put);
    }
    if (!file.Close()) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

bool IsUtf16Or32(int codePage) {
    return codePage == 1200 || codePage == 1201 || codePage == 12000 || codePage == 12001 || codePage == 65005;
}

}  // namespace

bool XmlDoc::ReadDocumentFile(const CString& path, CString& text, CString* resultLog, int* documentFlags) {
    // Read-file mode holds for the read only; the encoding flags found are
    // handed back in place of those given.
    int flags = ((documentFlags ? *documentFlags : 0) | kReadFileMode) & ~(kUtf16LeFile | kUtf8BomFile | kUtf16BeFile);
    text.Empty();
    std::string bytes;
    std::string error;
    if (!ReadWholeFile(path.ToUtf8(), bytes, error)) {
        XmlLogRecord(u"file_error").Text(u"msg", CString::FromUtf8(error).view()).AppendTo(resultLog);
        return false;
    }
    const long long fileLength = static_cast<long long>(bytes.size());

    std::u16string encoding;
    size_t markLength = 0;
    if (StartsWithBytes(bytes, kBomUtf8)) {
        encoding = u"UTF-8", flags |= kUtf8BomFile, markLength = sizeof kBomUtf8;
    } else if (StartsWithBytes(bytes, kBomUtf16Le)) {
        encoding = u"UTF-16LE", flags |= kUtf16LeFile, markLength = sizeof kBomUtf16Le;
    } else if (StartsWithBytes(bytes, kBomUtf16Be)) {
        encoding = u"UTF-16BE", flags |= kUtf16BeFile, markLength = sizeof kBomUtf16Be;
    }
    if (markLength) {
        XmlLogRecord(u"bom").Text(u"encoding", encoding).AppendTo(resultLog);
    } else {
        const std::string_view probe(bytes.data(), std::min(bytes.size(), kEncodingProbeBytes));
        encoding = xmlencoding::DeclaredEncoding(Utf8ToUtf16(probe));
        if (encoding.empty() && !bytes.empty() && bytes[0] == '<') encoding = u"UTF-8";
    }

    const std::string_view body = std::string_view(bytes).substr(markLength);
    std::u16string decoded;
    long long nulls = 0;
    if (flags & (kUtf16LeFile | kUtf16BeFile)) {
        const bool bigEndian = (flags & kUtf16BeFile) != 0;
        decoded.reserve(body.size() / 2);
        for (size_t k = 0; k + 1 < body.size(); k += 2) {
            const auto b0 = static_cast<unsigned char>(body[k]);
            const auto b1 = static_cast<unsigned char>(body[k + 1]);
            const char16_t unit = bigEndian ? static_cast<char16_t>((b0 << 8) | b1) : static_cast<char16_t>((b1 << 8) | b0);
            if (unit == 0)
                ++nulls;
            else
                decoded += unit;
        }
        if (nulls) XmlLogRecord(u"nulls_removed").Number(u"count", nulls).AppendTo(resultLog);
        if (bigEndian) XmlLogRecord(u"endian_swap").AppendTo(resultLog);
    } else {
        std::string clean;
        clean.reserve(body.size());
        for (char c : body) {
            if (c == '\0')
                ++nulls;
            else
                clean += c;
        }
        if (nulls) XmlLogRecord(u"nulls_removed").Number(u"count", nulls).AppendTo(resultLog);
        int codePage = xmlencoding::CodePageOf(encoding);
        // A wide encoding declared in a file whose declaration read as
        // bytes cannot be what it says; it is read as UTF-8.
        if (IsUtf16Or32(codePage)) encoding = u"UTF-8", codePage = xmlencoding::kCodePageUtf8;
        if (encoding.empty()) {
            const bool utf8 = xmlencoding::IsValidUtf8(clean, true);
            XmlLogRecord(u"utf8_detection").Text(u"encoding", utf8 ? u"UTF-8" : u"ANSI").AppendTo(resultLog);
            if (utf8) encoding = u"UTF-8", codePage = xmlencoding::kCodePageUtf8;
        }
        decoded = xmlencoding::Decode(clean, codePage);
        XmlLogRecord(u"converted_to")
            .Text(u"encoding", codePage ? std::u16string_view(encoding) : u"ANSI")
            .Number(u"length", static_cast<long long>(decoded.size()))
            .AppendTo(resultLog);
    }
    text = CString(std::move(decoded));
    XmlLogRecord(u"read")
        .Text(u"encoding", encoding.empty() ? u"ANSI" : std::u16string_view(encoding))
        .Number(u"length", fileLength)
        .AppendTo(resultLog);
    if (documentFlags) *documentFlags = flags & ~kReadFileMode;
    return true;
}

bool XmlDoc::WriteDocumentFile(const CString& path, const CString& text, CString* resultLog, int* documentFlags) {
    const int flags = documentFlags ? *documentFlags : 0;
    const bool append = (flags & kAppendFile) != 0;
    std::u16string encoding = xmlencoding::DeclaredEncoding(text.view());
    std::string mark;
    if (flags & kUtf8BomFile) {
        mark = MarkBytes(kBomUtf8);
    } else if (flags & kUtf16LeFile) {
        mark = MarkBytes(kBomUtf16Le), encoding = u"UTF-16LE";
    } else if (flags & kUtf16BeFile) {
        mark = MarkBytes(kBomUtf16Be), encoding = u"UTF-16BE";
    }
    if (append) mark.clear();
    if (encoding.empty()) encoding = u"UTF-8";
    const int codePage = xmlencoding::CodePageOf(encoding);
    bool lossy = false;
    std::string bytes = mark + xmlencoding::Encode(text.view(), codePage, &lossy);
    XmlLogRecord(u"converted_from")
        .Text(u"encoding", codePage ? std::u16string_view(encoding) : u"ANSI")
        .Number(u"length", text.GetLength())
        .AppendTo(resultLog);
    if (lossy) XmlLogRecord(u"conversion_loss").AppendTo(resultLog);
    std::string error;
    if (!WriteWholeFile(path.ToUtf8(), bytes, append, error)) {
        XmlLogRecord(u"file_error").Text(u"msg", CString::FromUtf8(error).view()).AppendTo(resultLog);
        return false;
    }
    XmlLogRecord(u"write")
        .Text(u"encoding", codePage ? std::u16string_view(encoding) : u"ANSI")
        .Number(u"length", static_cast<long long>(bytes.size()))
        .AppendTo(resultLog);
    return true;
}

bool XmlDoc::LoadDocumentFile(const CString& path) {
    if (m_documentFlags & (kReadFileMode | kWriteFileMode)) return false;
    m_resultLog.Empty();
    if (!ReadDocumentFile(path, m_text, &m_resultLog, &m_documentFlags)) {
        ResetIndex(1);
        m_parent = m_main = m_child = 0;
        Elem(0).flags |= kDocIllFormed;
        return false;
    }
    return Parse();
}

bool XmlDoc::SaveDocumentFile(const CString& path) {
    int flags = m_documentFlags & ~kAppendFile;
    return WriteDocumentFile(path, m_text, &m_resultLog, &flags);
}
