#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/Autostart.h"
#include "platform/Paths.h"
#include "platform/linux/AtomicFile.h"

namespace autostart {
namespace {

// Characters that make an Exec argument need quotes, and those that must be
// backslash-escaped inside the quotes (Desktop Entry format, "Exec key").
constexpr std::string_view kReservedInExec = " \t\n\"'\\><~|&;$*?#()`";
constexpr std::string_view kEscapedInQuotes = "\"`$\\";

// The general escapes of a desktop file string value, applied after quoting.
std::string EscapeString(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Folder() {
    return paths::ConfigHome().ToUtf8() + "autostart/";
}

}  // namespace

CString EntryPath() {
    return CString::FromUtf8(Folder() + paths::PathProductName().ToUtf8() + ".desktop");
}

CString ExecValue(const CString& executable) {
    std::string path = executable.ToUtf8();
    bool quote = path.find_first_of(kReservedInExec) != std::string::npos;
    std::string arg;
    if (quote) arg += '"';
    for (char c : path) {
        if (c == '%') {
            arg += "%%";
            continue;
        }
        if (quote && kEscapedInQuotes.find(c) != std::string_view::npos) arg += '\\';
        arg += c;
    }
    if (quote) arg += '"';
    return CString::FromUtf8(EscapeString(arg));
}

bool Enable(const CString& executable, const CString& displayName) {
    if (!paths::CreateFolderTree(CString::FromUtf8(Folder()))) return false;
    // Desktop files are LF-separated; a CR would become part of the value.
    std::string entry =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=" +
        EscapeString(displayName.ToUtf8()) +
        "\n"
        "Exec=" +
        ExecValue(executable).ToUtf8() +
        "\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n";
    return platform_linux::ReplaceFileAtomically(EntryPath().ToUtf8(), entry, 0644);
}

bool Disable() {
    return unlink(EntryPath().ToUtf8().c_str()) == 0 || errno == ENOENT;
}

bool IsEnabled() {
    // Any readable regular file counts; its content is not judged.
    constexpr size_t kMaxEntryBytes = 64 * 1024;
    std::string bytes;
    int error = 0;
    return platform_linux::ReadSmallFile(EntryPath().ToUtf8(), kMaxEntryBytes, &bytes, &error) || error == EFBIG;
}

}  // namespace autostart
