// What the exchange-file operations need from the main window: the profile
// and macro lists, the key-table write and the messages.
#pragma once

#include "ui/base/CString.h"

class IExchangeHost {
public:
    virtual ~IExchangeHost() = default;

    // The selected row of the profile list (its text and id); false when no
    // row is selected.
    virtual bool SelectedProfile(CString& name, int& profileId) = 0;
    // Appends a row to the profile list and selects it.
    virtual void AddProfileRow(const CString& name, int profileId) = 0;
    // Makes the profile current and shows its keys.
    virtual void ShowImportedProfile(int profileId) = 0;
    // Queues the write of the current key table and shows the wait dialog.
    virtual void QueueKeyWrite() = 0;

    // The id of the selected row of the macro list; false when none.
    virtual bool SelectedMacro(int& macroId) = 0;
    // Appends a row to the macro list, selecting it when asked.
    virtual void AddMacroRow(const CString& name, int macroId, bool select) = 0;

    // A message box with one OK button; texts of section "KB.DIALOG".
    virtual void ShowMessage(int textId, int captionId) = 0;
    // Tells the user that path could not be written (an earlier file there
    // is unchanged).
    virtual void ReportWriteFailure(const CString& path) = 0;
};
