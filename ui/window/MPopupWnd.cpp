#include "ui/window/MPopupWnd.h"

#include "ui/backend/Platform.h"
#include "ui/control/MControl.h"

MPopupWnd::MPopupWnd() {
    m_colorKey = 0xF1F1F1;
}

WindowKind MPopupWnd::GetWindowKind() const {
    return WindowKind::Popup;
}

int MPopupWnd::OnInitDialog() {
    m_pm.Init(m_hWnd, this);
    m_pm.EnableWndDrag(0);
    GetClientRect(m_clientRect);
    InitUI(m_clientRect);
    return 1;
}

LRESULT MPopupWnd::OnWindowMessage(unsigned msg, WPARAM wParam, LPARAM lParam) {
    // Popups close when the user activates anything else.
    if (msg == WM_NCACTIVATE && wParam == 0) PostMessageW(WM_USER_CLOSE_WINDOW, 0, 0);
    return MDialog::OnWindowMessage(msg, wParam, lParam);
}

void MPopupWnd::OnSize(unsigned, int, int) {
    GetClientRect(m_clientRect);
    UISize(m_clientRect);
    InvalidateRect(nullptr);
}

long MPopupWnd::SendMessageToParent(unsigned msg, unsigned wParam, long lParam) {
    auto* control = dynamic_cast<MControl*>(m_owner);
    if (control) return control->OnMessage(0, msg, wParam, lParam);
    return m_owner ? m_owner->OnBaseMessage(0, msg, wParam, lParam) : 0;
}

void MPopupWnd::CloseWindow() {
    PostMessageW(WM_USER_CLOSE_WINDOW, 0, 0);
}
