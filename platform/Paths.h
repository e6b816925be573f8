// Where the program finds its files and keeps the user's.
//
// Every folder is returned with a trailing "/". Names relative to the data
// root may use "\" and doubled separators (as the data files write them);
// DataPath turns them into a clean path.
#pragma once

#include "ui/base/CString.h"

namespace paths {

// The folder of the running executable (/proc/self/exe).
CString ProgramFolder();

// The data root: $TASTRA_DATA_ROOT when set, else <exe folder>/../share/tastra
// when it exists, else the executable's folder.
CString DataRoot();

// "\" -> "/", doubled separators collapsed, a leading separator dropped.
CString NormalizeRelative(const CString& relative);

// DataRoot() + NormalizeRelative(relative).
CString DataPath(const CString& relative);

// The product name as used in paths, file and socket names: the toolkit's
// product name, or the default "Tastra" when that name is empty, ".", "..",
// contains "/" or NUL, or is too long for a file name (the name is still
// shown as it is).
CString PathProductName();

// The per-user data folder: $XDG_DATA_HOME (default ~/.local/share) +
// "/<product> Files/". Not created by this call.
CString DataFolder();

// The per-user configuration folder: $XDG_CONFIG_HOME (default ~/.config)
// + "/". Not created by this call.
CString ConfigHome();

// Creates a folder and every missing folder above it; true when the folder
// exists afterwards.
bool CreateFolderTree(const CString& path);

}  // namespace paths
