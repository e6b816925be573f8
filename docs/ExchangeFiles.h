// The import and export buttons of the profile and macro lists: the file
// dialog, the file operations of ProfileExchange and MacroExchange, and the
// rows they add to the window's lists.
#pragma once

#include "docs/ExchangeHost.h"
#include "platform/FileDialog.h"
#include "store/DataStore.h"

class ExchangeFiles {
public:
    // Texts of section "KB.DIALOG" for exporting with nothing selected.
    static constexpr int kNoProfileSelectedText = 542;
    static constexpr int kExportProfileCaption = 152;
    static constexpr int kNoMacroSelectedText = 540;
    static constexpr int kExportMacroCaption = 541;

    ExchangeFiles(IExchangeHost& host, FileDialog& dialog, DataStore& store) noexcept
        : m_host(host), m_dialog(dialog), m_store(store) {}

    // Exports the selected profile. True when a file was chosen, even if it
    // could not be written (the user is told then).
    bool ExportProfile();
    // Imports a profile file as a new profile, makes it current and queues
    // the key-table write. True when an existing file was chosen.
    bool ImportProfile();
    // Exports the selected macro; the result rule of ExportProfile.
    bool ExportMacro();
    // Imports a macro file as a new macro; the result rule of ImportProfile.
    bool ImportMacro();

    // The filters of the four dialogs.
    [[nodiscard]] static FileDialogFilter ExportProfileFilter();
    [[nodiscard]] static FileDialogFilter ImportProfileFilter();
    [[nodiscard]] static FileDialogFilter ExportMacroFilter();
    [[nodiscard]] static FileDialogFilter ImportMacroFilter();

private:
    bool ChooseSavePath(const FileDialogFilter& filter, CString& path);
    bool ChooseExistingFile(const FileDialogFilter& filter, CString& path);

    IExchangeHost& m_host;
    FileDialog& m_dialog;
    DataStore& m_store;
};
