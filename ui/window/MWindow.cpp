#include "ui/window/MWindow.h"

#include <algorithm>

#include "ui/backend/MImage.h"
#include "ui/backend/Platform.h"
#include "ui/core/SkinPath.h"

namespace {

// The one-argument Create's window: an overlapped window of 800 x 600.
constexpr DWORD kDefaultStyle = 0x0000080B;
constexpr CRect kDefaultRect(0, 0, 800, 600);

}  // namespace

MWindow::~MWindow() {
    if (Platform::IsWindow(m_hWnd)) Platform::DestroyNativeWindow(m_hWnd);
}

WindowKind MWindow::GetWindowKind() const {
    return WindowKind::Normal;
}

void MWindow::ShowWindow(int cmd) {
    Platform::ShowWindow(m_hWnd, cmd);
}

LRESULT MWindow::OnWindowMessage(unsigned msg, WPARAM wParam, LPARAM lParam) {
    return Platform::DefWindowProc(m_hWnd, msg, wParam, lParam);
}

int MWindow::PreTranslateMessage(MSG*) {
    return 0;
}

HWND MWindow::Create(HWND parent) {
    return Create(parent, u"OrbelClient", kDefaultStyle, 0, kDefaultRect);
}

HWND MWindow::Create(HWND parent, const CRect& rect) {
    return Create(parent, u"OrbelClient", kDefaultStyle, 0, rect);
}

HWND MWindow::Create(HWND parent, const char16_t* name, DWORD style, DWORD exStyle, const CRect& rect) {
    if (Platform::IsWindow(m_hWnd)) return m_hWnd;
    m_hParent = parent;
    m_style = style;
    m_exStyle = exStyle;
    HWND hwnd = Platform::CreateNativeWindow(this, parent, CString(name), rect, GetWindowKind());
    if (!hwnd) return nullptr;
    m_hWnd = hwnd;
    Platform::SendMessage(hwnd, WM_NCCREATE, 0, 0);
    Platform::SendMessage(hwnd, WM_CREATE, 0, 0);
    if (!Platform::IsWindow(hwnd)) return nullptr;
    OnInitDialog();
    return Platform::IsWindow(hwnd) ? hwnd : nullptr;
}

HWND MWindow::GetSafeHwnd() const {
    return Platform::IsWindow(m_hWnd) ? m_hWnd : nullptr;
}

void MWindow::SetIcon(unsigned resId) {
    // Application icons are PNG files named by their id in the icon folder.
    SetIcon(CString(u"icon/") + CString::FromInt(resId) + u".png");
}

void MWindow::SetIcon(const CString& skinFile) {
    if (!GetSafeHwnd()) return;
    auto image = MImage::FromFile(skin::SkinPath(skinFile));
    if (image) Platform::SetWindowIcon(m_hWnd, image.get());
}

int MWindow::ModifyStyle(DWORD remove, DWORD add, unsigned) {
    if (!GetSafeHwnd()) return 0;
    m_style = (m_style & ~remove) | add;
    return 1;
}

int MWindow::ModifyExStyle(DWORD remove, DWORD add, unsigned) {
    if (!GetSafeHwnd()) return 0;
    m_exStyle = (m_exStyle & ~remove) | add;
    return 1;
}

int MWindow::GetClientRect(CRect& rc) const {
    if (!GetSafeHwnd()) return 0;
    rc = Platform::GetClientRect(m_hWnd);
    return 1;
}

int MWindow::GetWindowRect(CRect& rc) const {
    if (!GetSafeHwnd()) return 0;
    rc = Platform::GetWindowRect(m_hWnd);
    return 1;
}

int MWindow::SetWindowTextW(const CString& text) {
    if (!GetSafeHwnd()) return 0;
    Platform::SetWindowTitle(m_hWnd, text);
    return 1;
}

int MWindow::GetWindowTextW(CString& text) const {
    if (!GetSafeHwnd()) return 0;
    text = Platform::GetWindowTitle(m_hWnd);
    return text.GetLength();
}

int MWindow::GetWindowTextLengthW() const {
    if (!GetSafeHwnd()) return -1;
    return Platform::GetWindowTitle(m_hWnd).GetLength();
}

int MWindow::EnableWindow(int enable) {
    if (!GetSafeHwnd()) return 0;
    const int was = Platform::IsWindowEnabled(m_hWnd);
    Platform::EnableWindow(m_hWnd, enable != 0);
    return !was;
}

int MWindow::IsWindowEnabled() const {
    return Platform::IsWindowEnabled(m_hWnd);
}
int MWindow::IsWindowVisible() const {
    return Platform::IsWindowVisible(m_hWnd);
}
int MWindow::IsIconic() const {
    return Platform::IsIconic(m_hWnd);
}
int MWindow::IsZoomed() const {
    return Platform::IsZoomed(m_hWnd);
}

int MWindow::InvalidateRect(const CRect* rc, int) {
    if (!GetSafeHwnd()) return 0;
    Platform::InvalidateRect(m_hWnd, rc);
    return 1;
}

int MWindow::UpdateWindow() {
    if (!GetSafeHwnd()) return 0;
    Platform::UpdateWindow(m_hWnd);
    return 1;
}

void MWindow::SetCapture() {
    Platform::SetCapture(m_hWnd);
}
void MWindow::ReleaseCapture() {
    if (Platform::GetCapture() == m_hWnd && m_hWnd) Platform::ReleaseCapture();
}
void MWindow::SetFocus() {
    Platform::SetFocus(m_hWnd);
}

int MWindow::SetTimer(unsigned id, unsigned elapseMs) {
    return Platform::SetTimer(m_hWnd, id, elapseMs);
}
int MWindow::KillTimer(unsigned id) {
    return Platform::KillTimer(m_hWnd, id);
}

void MWindow::ClientToScreen(CPoint& pt) const {
    const CRect w = Platform::GetWindowRect(m_hWnd);
    pt = pt + w.TopLeft();
}

void MWindow::ClientToScreen(CRect& rc) const {
    const CRect w = Platform::GetWindowRect(m_hWnd);
    rc.OffsetRect(w.TopLeft());
}

void MWindow::ScreenToClient(CPoint& pt) const {
    const CRect w = Platform::GetWindowRect(m_hWnd);
    pt = pt - w.TopLeft();
}

void MWindow::ScreenToClient(CRect& rc) const {
    const CRect w = Platform::GetWindowRect(m_hWnd);
    rc.OffsetRect(-w.left, -w.top);
}

int MWindow::SetWindowPos(int x, int y, int cx, int cy, unsigned) {
    if (!GetSafeHwnd()) return 0;
    const CRect now = Platform::GetWindowRect(m_hWnd);
    if (cx <= 0 || cy <= 0) {
        cx = now.Width();
        cy = now.Height();
    }
    Platform::SetWindowRect(m_hWnd, CRect(x, y, x + cx, y + cy));
    return 1;
}

int MWindow::MoveWindow(int x, int y, int w, int h, int repaint) {
    if (!SetWindowPos(x, y, w, h)) return 0;
    if (repaint) InvalidateRect(nullptr);
    return 1;
}

int MWindow::MoveWindow(const CRect* rc, int repaint) {
    if (!rc) return 0;
    return MoveWindow(rc->left, rc->top, rc->Width(), rc->Height(), repaint);
}

int MWindow::ShowModal(int cmdShow) {
    HWND hwnd = GetSafeHwnd();
    if (!hwnd) return -1;
    HWND owner = Platform::GetParent(hwnd);
    ShowWindow(cmdShow);
    if (owner) Platform::EnableWindow(owner, false);
    int result = 0;
    bool quit = false;
    int quitCode = 0;
    MSG msg;
    while (Platform::IsWindow(hwnd)) {
        if (!Platform::GetMessage(msg)) {
            quit = true;
            quitCode = static_cast<int>(msg.wParam);
            break;
        }
        if (msg.hwnd == hwnd && msg.message == WM_CLOSE) {
            result = static_cast<int>(msg.wParam);
            if (owner) {
                Platform::EnableWindow(owner, true);
                Platform::SetFocus(owner);
            }
        }
        if (PreTranslateMessage(&msg)) continue;
        Platform::DispatchMessage(msg);
    }
    if (owner) {
        Platform::EnableWindow(owner, true);
        Platform::SetFocus(owner);
    }
    if (quit) Platform::PostQuitMessage(quitCode);
    return result;
}

int MWindow::DestroyWindow() {
    if (!GetSafeHwnd()) return 0;
    Platform::DestroyNativeWindow(m_hWnd);
    return 1;
}

void MWindow::CenterWindow(MWindow* relativeTo) {
    if (!GetSafeHwnd()) return;
    const CRect me = Platform::GetWindowRect(m_hWnd);
    const CRect work = Platform::GetWorkArea(m_hWnd);
    CRect around = work;
    HWND other = relativeTo ? relativeTo->GetSafeHwnd() : Platform::GetParent(m_hWnd);
    if (other && Platform::IsWindowVisible(other) && !Platform::IsIconic(other))
        around = Platform::GetWindowRect(other);
    int x = around.left + (around.Width() - me.Width()) / 2;
    int y = around.top + (around.Height() - me.Height()) / 2;
    x = std::max(work.left, std::min(x, work.right - me.Width()));
    y = std::max(work.top, std::min(y, work.bottom - me.Height()));
    Platform::SetWindowRect(m_hWnd, CRect(x, y, x + me.Width(), y + me.Height()));
}

void MWindow::BringToTop() {
    if (!GetSafeHwnd()) return;
    Platform::Raise(m_hWnd);
    Platform::ShowWindow(m_hWnd, Platform::IsIconic(m_hWnd) ? SW_RESTORE : SW_SHOW);
}

LRESULT MWindow::SendMessageW(unsigned msg, WPARAM wParam, LPARAM lParam) {
    return Platform::SendMessage(GetSafeHwnd(), msg, wParam, lParam);
}

int MWindow::PostMessageW(unsigned msg, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = GetSafeHwnd();
    return hwnd && Platform::PostMessage(hwnd, msg, wParam, lParam);
}

LRESULT MWindow::WndProc(HWND hwnd, unsigned msg, WPARAM wParam, LPARAM lParam) {
    MWindow* window = Platform::GetOwner(hwnd);
    if (!window) return Platform::DefWindowProc(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        const LRESULT r = window->OnWindowMessage(msg, wParam, lParam);
        window->m_hWnd = nullptr;
        window->OnDestroyMessage(hwnd);
        return r;
    }
    return window->OnWindowMessage(msg, wParam, lParam);
}
