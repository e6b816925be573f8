#include "ui/window/MDialog.h"

#include "ui/backend/Platform.h"
#include "ui/control/MControl.h"
#include "ui/core/Manager.h"

namespace {
constexpr int kMessageBoxWidth = 200;
constexpr int kMessageBoxHeight = 58;
constexpr int kMessageBoxBottomGap = 2;
}  // namespace

MDialog::MDialog() {
    Manager::AddWnd(this);
}

MDialog::~MDialog() {
    // The window goes first, so its messages still find a whole dialog.
    if (GetSafeHwnd()) DestroyWindow();
    m_pm.DestroyData();
    Manager::DeleteWnd(this);
}

int MDialog::OnInitDialog() {
    m_pm.Init(m_hWnd, this);
    GetClientRect(m_clientRect);
    InitUI(m_clientRect);
    return 1;
}

void MDialog::OnDestroyMessage(HWND hwnd) {
    if (m_pm.GetPaintWnd() == hwnd) m_pm.OnDestroyMessage(hwnd);
    PostNcDestroy();
}

int MDialog::PreTranslateMessage(MSG* msg) {
    return m_pm.PreTranslateMessage(msg);
}

CPoint MDialog::GetAirBladderPoint(MControl* ctrl, unsigned type) {
    if (!ctrl) return {0, 0};
    const CRect rc = ctrl->GetRect();
    CPoint pt(type == 1 ? rc.CenterPoint().x : type == 2 ? rc.right : rc.left, rc.bottom);
    ClientToScreen(pt);
    return pt;
}

void MDialog::OnMinimize() {
    ShowWindow(SW_MINIMIZE);
}

void MDialog::OnMaximize() {
    Platform::Maximize(m_hWnd, !IsZoomed());
}

long MDialog::OnBaseMessage(unsigned ctrlId, unsigned msg, unsigned wParam, long lParam) {
    return OnMessage(ctrlId, msg, wParam, lParam);
}

int MDialog::OnControlUpdate(CRect rc, int bUpdate, MControl* ctrl) {
    return m_pm.OnControlUpdate(rc, bUpdate, ctrl);
}

LRESULT MDialog::OnUserCloseWindow(unsigned code, long) {
    PostMessageW(WM_CLOSE, code, 0);
    return 1;
}

int MDialog::OnCreate(void*) {
    return 1;
}

void MDialog::OnSize(unsigned type, int, int) {
    if (type == 1) return;  // minimised
    SetupBackTranslucent();
    GetClientRect(m_clientRect);
    if (m_clientRect.Width() > 1 && m_clientRect.Height() > 1) UISize(m_clientRect);
    InvalidateRect(&m_clientRect);
}

void MDialog::SetupBackTranslucent() {
    if (m_alpha != 255) Platform::SetWindowOpacity(m_hWnd, m_alpha);
}

void MDialog::SetMessage(const CString& text, CRect rc, MsgLevel level) {
    if (rc.IsRectEmpty() || rc.IsRectNull()) {
        CRect client;
        GetClientRect(client);
        const int left = client.Width() / 2 - kMessageBoxWidth / 2;
        const int bottom = client.bottom - kMessageBoxBottomGap + m_messageOffset;
        rc = CRect(left, bottom - kMessageBoxHeight, left + kMessageBoxWidth, bottom);
    }
    m_pm.SetMessage(text, rc, level);
}

int MDialog::SetAirBladderMsg(const char16_t* text, CPoint pt, AIRBLADDER_TYPE type) {
    if (pt.x == 0 || pt.y == 0) return 0;
    m_pm.SetAirBladderMsg(CString(text), pt, type, AIRBLADDER_MODE_DEFAULT);
    m_pm.ShowAirBladder(SW_SHOW, 0);
    return 1;
}

MControl* MDialog::AddControl(MControl* ctrl) {
    if (!ctrl) return nullptr;
    ctrl->SetParent(this);
    ctrl->SetManager(&m_pm);
    m_pm.AddControl(ctrl);
    return ctrl;
}

LRESULT MDialog::OnWindowMessage(unsigned msg, WPARAM wParam, LPARAM lParam) {
    const CPoint pt = PointFromLParam(lParam);
    const auto flags = static_cast<unsigned>(wParam & 0xFFFF);
    switch (msg) {
        case WM_CREATE:
            OnCreate(nullptr);
            break;
        case WM_DESTROY:
            OnDestroy();
            break;
        case WM_SIZE:
            OnSize(static_cast<unsigned>(wParam), pt.x, pt.y);
            break;
        case WM_PAINT:
            OnPaint();
            break;
        case WM_CLOSE:
            OnClose();
            break;
        case WM_WINDOWPOSCHANGING:
            OnWindowPosChanging(nullptr);
            break;
        case WM_WINDOWPOSCHANGED:
            OnWindowPosChanged(nullptr);
            break;
        case WM_NCACTIVATE:
            OnNcActivate(static_cast<int>(wParam));
            break;
        case WM_TIMER:
            OnTimer(static_cast<unsigned>(wParam));
            break;
        case WM_MOUSEMOVE:
            OnMouseMove(flags, pt);
            break;
        case WM_LBUTTONDOWN:
            OnLButtonDown(flags, pt);
            break;
        case WM_LBUTTONUP:
            OnLButtonUp(flags, pt);
            break;
        case WM_LBUTTONDBLCLK:
            OnLButtonDblClk(flags, pt);
            break;
        case WM_RBUTTONDOWN:
            OnRButtonDown(flags, pt);
            break;
        case WM_RBUTTONUP:
            OnRButtonUp(flags, pt);
            break;
        case WM_RBUTTONDBLCLK:
            OnRButtonDblClk(flags, pt);
            break;
        case WM_MOUSEHOVER:
            OnMouseHover(flags, pt);
            break;
        case WM_MOUSELEAVE:
            OnMouseLeave();
            break;
        case WM_MOUSEWHEEL:
            OnMouseWheel(flags, static_cast<int16_t>((wParam >> 16) & 0xFFFF), pt);
            break;
        case WM_KEYDOWN:
            OnKeyDown(static_cast<unsigned>(wParam), 1, 0);
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_USER_CLOSE_WINDOW:
            return OnUserCloseWindow(static_cast<unsigned>(wParam), static_cast<long>(lParam));
        default:
            break;
    }
    if (const LRESULT r = m_pm.OnWindowMessage(msg, wParam, lParam)) return r;
    return MWindow::OnWindowMessage(msg, wParam, lParam);
}
