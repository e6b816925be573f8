// MFont: what a text is drawn with (family key, pixel size, style bits), and
// the toolkit's font setup through fontconfig.
#pragma once

#include "ui/base/CString.h"

// Style bits: 1 bold, 2 italic, 4 underline.
enum FontStyle : int {
    FontStyleRegular = 0,
    FontStyleBold = 1,
    FontStyleItalic = 2,
    FontStyleUnderline = 4,
    FontStyleBoldItalic = 3
};

struct MFont {
    CString family;  // a family key; the toolkit resolves it (MFontRegistry)
    int size = 14;   // em size in pixels
    int style = FontStyleRegular;
};

class MFontRegistry {
public:
    MFontRegistry() = delete;
    // Adds every font file of `folder` (UTF-8 path) to the process's font
    // configuration. Missing folders and unreadable files are skipped.
    // Returns the number of files added.
    static int AddFontFolder(const std::string& folder);
    // Adds one font file; returns whether fontconfig took it.
    static bool AddFontFile(const std::string& path);
    // The family list text drawing uses for a family key: the key
    // "SourceHanSansCN-Regular" names the Source Han Sans family with CJK
    // fallbacks; other keys are used as family names with sans-serif after.
    [[nodiscard]] static std::string FamilyList(const CString& key);
    // Whether fontconfig knows a family of that name.
    [[nodiscard]] static bool HasFamily(const CString& family);
};
