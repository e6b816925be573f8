// The desktop's open and save file dialogs.
#pragma once

#include <memory>

#include "ui/base/CString.h"

// One filter of a dialog: the text shown and its pattern ("*.xml").
struct FileDialogFilter {
    CString text;
    CString pattern;
};

class FileDialog {
public:
    virtual ~FileDialog() = default;

    // Asks for an existing file to read. True with its full path when one
    // was chosen; false when the user cancelled or no dialog could be shown.
    virtual bool ChooseFileToOpen(const FileDialogFilter& filter, CString& path) = 0;
    // Asks for a file to write, the dialog asking before it replaces an
    // existing one. The same result rule.
    virtual bool ChooseFileToSave(const FileDialogFilter& filter, CString& path) = 0;
};

// The desktop portal's file chooser (org.freedesktop.portal.FileChooser on
// the session bus), else zenity, else kdialog. With none of them every call
// returns false.
std::unique_ptr<FileDialog> CreateFileDialog();
