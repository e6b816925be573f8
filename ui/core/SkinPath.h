// Where the toolkit finds its files: the data root ($TASTRA_DATA_ROOT, else
// <exe folder>/../share/tastra when it exists, else the exe folder) and the
// skin folder skins/<theme>/ under it. The toolkit sits below the program's
// platform layer, so it keeps this small lookup of its own.
#pragma once

#include <string>

#include "ui/base/CString.h"

namespace skin {

// The data root with a trailing "/" (UTF-8).
[[nodiscard]] std::string DataRoot();
// A skin file name ("icon\\x.png", "icon//x.png") as a clean path under the
// skin folder; null and ".." components are dropped so a name cannot leave
// the folder.
[[nodiscard]] std::string SkinPath(const CString& name);
// A name relative to the data root, cleaned the same way.
[[nodiscard]] std::string DataFile(const CString& relative);

}  // namespace skin
