// The interface language and the language files that hold every visible
// text. A text is looked up by (section, id) at the moment it is shown, from
// <data root>/language/<id>.lan of the current language; nothing is cached.
#pragma once

#include <atomic>

#include "ui/base/CString.h"

inline constexpr int kLanguageEnglish = 1033;
inline constexpr int kLanguageFrench = 1036;
// The section of the main window and all its dialogs.
inline constexpr char16_t kDialogSection[] = u"KB.DIALOG";

// The current language id, set at start-up and by the settings page; read
// from any thread.
extern std::atomic<int> g_languageId;

// The stored "LCID": the stored number (any non-zero value as it is); 0 when
// no language has been chosen yet (store just created, or no number stored);
// English when the store cannot be opened.
[[nodiscard]] int ReadLanguageSetting();
// Stores `id` as "LCID".
void WriteLanguageSetting(int id);

// English for an English locale name ("en*"), "C", "C.*", "POSIX" or none;
// French for any other.
[[nodiscard]] int LanguageForLocale(const CString& locale);

// The start-up choice: the stored language, or on a first run the one that
// follows from the user's locale, which is then stored. Sets g_languageId and
// returns it.
int ChooseStartupLanguage();

// <data root>/language/<id>.lan
[[nodiscard]] CString LanguageFilePath(int id);

// The text `id` of `section` in the current language's file; empty when the
// file, section or key is missing. At most 259 UTF-16 units.
[[nodiscard]] CString LoadLanguageString(const CString& section, int id);
