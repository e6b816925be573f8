// MPopupWnd: a small popup window (lists, menus, pickers) that owns controls
// like a dialog and closes as soon as it loses activation.
#pragma once

#include "ui/window/MDialog.h"

class MPopupWnd : public MDialog {
public:
    MPopupWnd();
    [[nodiscard]] const char16_t* GetClassNameW() const override { return u"MPopupWnd"; }

    int OnInitDialog() override;
    LRESULT OnWindowMessage(unsigned msg, WPARAM wParam, LPARAM lParam) override;
    void OnSize(unsigned type, int cx, int cy) override;
    long OnMessage(unsigned, unsigned, unsigned, long) override { return 0; }

    void SetParent(MObject* owner) { m_owner = owner; }
    [[nodiscard]] MObject* GetParent() const { return m_owner; }
    // The owner's OnMessage(0, msg, ...), 0 without an owner.
    long SendMessageToParent(unsigned msg, unsigned wParam, long lParam);
    // Posts a close request with code 0.
    void CloseWindow();

protected:
    [[nodiscard]] WindowKind GetWindowKind() const override;

    MObject* m_owner = nullptr;
};
