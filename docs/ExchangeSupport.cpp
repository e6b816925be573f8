#include "docs/ExchangeSupport.h"

#include <climits>
#include <filesystem>
#include <random>
#include <system_error>

namespace exchange {
namespace {

constexpr char16_t kPathSeparator = u'/';

std::filesystem::path FsPath(const CString& path) {
    const std::string utf8 = path.ToUtf8();
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// The file name part of a path (everything after the last separator).
CString FileName(const CString& path) {
    const int slash = path.ReverseFind(kPathSeparator);
    return slash < 0 ? path : path.Mid(slash + 1);
}

// A name for the temporary file beside the target that no other writer
// picks: a hidden name with 64 random bits.
std::filesystem::path TemporaryPathBeside(const std::filesystem::path& target) {
    std::random_device device;
    const uint64_t bits = (static_cast<uint64_t>(device()) << 32) ^ device();
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(bits));
    std::filesystem::path name = target.filename();
    std::u8string hidden = u8".";
    hidden += name.u8string();
    const std::string tail(suffix);
    hidden += std::u8string(tail.begin(), tail.end());
    return target.parent_path() / hidden;
}

}  // namespace

CString FileTitleName(const CString& path) {
    const CString title = FileName(path);
    const int dot = title.Find(u'.');
    return dot < 0 ? CString() : title.Left(dot);
}

int PlainDecimal(const CString& text) noexcept {
    const std::u16string_view s = text.view();
    size_t i = 0;
    while (i < s.size() &&
           (s[i] == u' ' || s[i] == u'\t' || s[i] == u'\n' || s[i] == u'\r' || s[i] == u'\v' || s[i] == u'\f'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    long long value = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
        value = value * 10 + (s[i] - u'0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

CString WithXmlExtension(const CString& path) {
    if (path.IsEmpty()) return path;
    const CString name = FileName(path);
    // A leading dot names a hidden file, not an extension.
    const int dot = name.ReverseFind(u'.');
    if (dot > 0 && dot + 1 < name.GetLength()) return path;
    CString result = path;
    if (dot > 0) result = path.Left(path.GetLength() - 1);  // "name." -> "name.xml"
    result += u".xml";
    return result;
}

bool LoadExchangeDocument(const CString& path, XmlDoc& doc) {
    doc.SetDocumentText(nullptr);
    std::error_code error;
    const std::filesystem::path file = FsPath(path);
    if (!std::filesystem::is_regular_file(file, error)) return false;
    const auto size = std::filesystem::file_size(file, error);
    if (error || size > static_cast<uintmax_t>(kMaxImportFileBytes)) return false;
    CString text;
    if (!XmlDoc::ReadDocumentFile(path, text)) return false;
    // The file may have grown since it was measured.
    if (text.GetLength() > kMaxImportFileBytes) return false;
    if (!doc.SetDocumentText(text.c_str())) {
        doc.SetDocumentText(nullptr);
        return false;
    }
    return true;
}

bool SaveExchangeDocument(const CString& path, const XmlDoc& doc) {
    if (path.IsEmpty()) return false;
    const std::filesystem::path target = FsPath(path);
    const std::filesystem::path temporary = TemporaryPathBeside(target);
    const std::string temporaryUtf8 = temporary.string();
    const CString temporaryPath = CString::FromUtf8(temporaryUtf8);
    std::error_code error;
    if (!XmlDoc::WriteDocumentFile(temporaryPath, doc.DocumentText())) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    return true;
}

}  // namespace exchange
