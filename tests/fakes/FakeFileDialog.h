// A file dialog that answers with whatever path the test set, or cancels,
// and remembers what it was asked.
#pragma once

#include <vector>

#include "platform/FileDialog.h"

class FakeFileDialog final : public FileDialog {
public:
    struct Request {
        bool save = false;
        CString filterText;
        CString filterPattern;
    };

    // The answer of the next calls; empty = the user cancels.
    CString answer;
    std::vector<Request> requests;

    bool ChooseFileToOpen(const FileDialogFilter& filter, CString& path) override {
        return Answer(false, filter, path);
    }
    bool ChooseFileToSave(const FileDialogFilter& filter, CString& path) override { return Answer(true, filter, path); }

private:
    bool Answer(bool save, const FileDialogFilter& filter, CString& path) {
        requests.push_back({save, filter.text, filter.pattern});
        if (answer.IsEmpty()) return false;
        path = answer;
        return true;
    }
};
