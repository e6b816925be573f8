#include "app/Language.h"

#include "app/AppSettings.h"
#include "app/IniFile.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "platform/UiLanguage.h"

std::atomic<int> g_languageId{kLanguageEnglish};

namespace {

constexpr char16_t kLanguageValue[] = u"LCID";

}  // namespace

int ReadLanguageSetting() {
    switch (settings::Open()) {
        case settings::OpenResult::Created:
            return 0;
        case settings::OpenResult::Failed:
            return kLanguageEnglish;
        case settings::OpenResult::Opened:
            break;
    }
    CString text;
    if (!settings::ReadValue(kLanguageValue, &text)) return 0;
    return ParseDecimal(text);
}

void WriteLanguageSetting(int id) {
    WriteRegistryString(kLanguageValue, CString::FromInt(id));
}

int LanguageForLocale(const CString& locale) {
    if (locale.IsEmpty() || locale == u"C" || locale == u"POSIX" || locale.Left(2) == u"C." ||
        locale.Left(2).CompareNoCase(u"en") == 0)
        return kLanguageEnglish;
    return kLanguageFrench;
}

int ChooseStartupLanguage() {
    int id = ReadLanguageSetting();
    if (id == 0) {
        id = LanguageForLocale(uilanguage::UserLocaleName());
        WriteLanguageSetting(id);
    }
    g_languageId = id;
    return id;
}

CString LanguageFilePath(int id) {
    return paths::DataPath(u"language/" + CString::FromInt(id) + u".lan");
}

CString LoadLanguageString(const CString& section, int id) {
    return ReadIniString(LanguageFilePath(g_languageId.load()), section, CString::FromInt(id));
}
