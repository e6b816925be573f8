#include "platform/FileRead.h"

#include "platform/linux/AtomicFile.h"

namespace files {

bool ReadWholeFile(const CString& path, size_t maxBytes, std::string* out) {
    return platform_linux::ReadSmallFile(path.ToUtf8(), maxBytes, out);
}

}  // namespace files
