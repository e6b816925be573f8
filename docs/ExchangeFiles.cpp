#include "docs/ExchangeFiles.h"

#include <filesystem>
#include <system_error>

#include "docs/ExchangeSupport.h"
#include "docs/MacroExchange.h"
#include "docs/ProfileExchange.h"

namespace {

constexpr const char16_t* kXmlPattern = u"*.xml";

bool IsExistingFile(const CString& path) {
    const std::string utf8 = path.ToUtf8();
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(std::u8string(utf8.begin(), utf8.end())), error);
}

}  // namespace

FileDialogFilter ExchangeFiles::ExportProfileFilter() {
    return {u"Profile (*.xml)", kXmlPattern};
}
FileDialogFilter ExchangeFiles::ImportProfileFilter() {
    return {u"Custom Key (*.xml)", kXmlPattern};
}
FileDialogFilter ExchangeFiles::ExportMacroFilter() {
    return {u"Macro (*.xml)", kXmlPattern};
}
FileDialogFilter ExchangeFiles::ImportMacroFilter() {
    return {u"Macros (*.xml)", kXmlPattern};
}

bool ExchangeFiles::ChooseSavePath(const FileDialogFilter& filter, CString& path) {
    if (!m_dialog.ChooseFileToSave(filter, path) || path.IsEmpty()) return false;
    path = exchange::WithXmlExtension(path);
    return true;
}

bool ExchangeFiles::ChooseExistingFile(const FileDialogFilter& filter, CString& path) {
    return m_dialog.ChooseFileToOpen(filter, path) && !path.IsEmpty() && IsExistingFile(path);
}

bool ExchangeFiles::ExportProfile() {
    CString name;
    int profileId = 0;
    if (!m_host.SelectedProfile(name, profileId)) {
        m_host.ShowMessage(kNoProfileSelectedText, kExportProfileCaption);
        return false;
    }
    CString path;
    if (!ChooseSavePath(ExportProfileFilter(), path)) return false;
    if (!ProfileExchange::WriteProfileFile(m_store, profileId, name, path)) m_host.ReportWriteFailure(path);
    return true;
}

bool ExchangeFiles::ImportProfile() {
    CString path;
    if (!ChooseExistingFile(ImportProfileFilter(), path)) return false;
    const ProfileExchange::ImportResult result = ProfileExchange::ReadProfileFile(m_store, path);
    for (const auto& [name, macroId] : result.newMacros) m_host.AddMacroRow(name, macroId, true);
    // Nothing more when no profile was stored: no row with a dead id, no
    // switch and no key-table write.
    if (result.profileId <= 0) return true;
    m_host.AddProfileRow(result.profileName, result.profileId);
    m_store.SetActiveProfile(result.profileId);
    m_host.ShowImportedProfile(result.profileId);
    m_host.QueueKeyWrite();
    return true;
}

bool ExchangeFiles::ExportMacro() {
    int macroId = 0;
    if (!m_host.SelectedMacro(macroId)) {
        m_host.ShowMessage(kNoMacroSelectedText, kExportMacroCaption);
        return false;
    }
    CString path;
    if (!ChooseSavePath(ExportMacroFilter(), path)) return false;
    if (!MacroExchange::WriteMacroFile(m_store, macroId, path)) m_host.ReportWriteFailure(path);
    return true;
}

bool ExchangeFiles::ImportMacro() {
    CString path;
    if (!ChooseExistingFile(ImportMacroFilter(), path)) return false;
    CString name;
    const int macroId = MacroExchange::ReadMacroFile(m_store, path, name);
    if (macroId > 0) m_host.AddMacroRow(name, macroId, false);
    return true;
}
