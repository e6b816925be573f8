// MWindow: one native top-level window of the toolkit. Every message of the
// window reaches the virtual OnWindowMessage on the UI thread; the wrappers
// of the window operations do nothing (and return 0, null or -1) when the
// window does not exist.
#pragma once

#include "ui/base/CString.h"
#include "ui/core/Types.h"

enum class WindowKind;

class MWindow {
public:
    MWindow() = default;
    // Destroys the native window if it still exists.
    virtual ~MWindow();
    MWindow(const MWindow&) = delete;
    MWindow& operator=(const MWindow&) = delete;

    [[nodiscard]] virtual const char16_t* GetWindowClassName() const { return u"OrbelClient"; }
    [[nodiscard]] virtual const char16_t* GetSuperClassName() const { return nullptr; }
    virtual void ShowWindow(int cmd);
    // Base: the default handling (close destroys, caption press drags).
    virtual LRESULT OnWindowMessage(unsigned msg, WPARAM wParam, LPARAM lParam);
    // Non-zero consumes a message before it is dispatched (modal loops).
    virtual int PreTranslateMessage(MSG* msg);
    virtual int OnInitDialog() { return 1; }
    virtual void OnDestroyMessage(HWND) {}

    // Creation: the window starts hidden. Returns the existing window when
    // there is one, null when the platform refuses.
    HWND Create(HWND parent);
    HWND Create(HWND parent, const CRect& rect);
    HWND Create(HWND parent, const char16_t* name, DWORD style, DWORD exStyle, const CRect& rect);

    [[nodiscard]] HWND GetSafeHwnd() const;
    [[nodiscard]] HWND GetParentHwnd() const { return m_hParent; }
    // Window icon from an image file of the skin folder.
    void SetIcon(unsigned resId);
    void SetIcon(const CString& skinFile);

    [[nodiscard]] DWORD GetStyle() const { return m_style; }
    [[nodiscard]] DWORD GetExStyle() const { return m_exStyle; }
    int ModifyStyle(DWORD remove, DWORD add, unsigned swpFlags = 0);
    int ModifyExStyle(DWORD remove, DWORD add, unsigned swpFlags = 0);

    int GetClientRect(CRect& rc) const;
    int GetWindowRect(CRect& rc) const;
    int SetWindowTextW(const CString& text);
    int GetWindowTextW(CString& text) const;
    [[nodiscard]] int GetWindowTextLengthW() const;
    int EnableWindow(int enable);
    [[nodiscard]] int IsWindowEnabled() const;
    [[nodiscard]] int IsWindowVisible() const;
    [[nodiscard]] int IsIconic() const;
    [[nodiscard]] int IsZoomed() const;
    int InvalidateRect(const CRect* rc, int erase = 0);
    int UpdateWindow();
    void SetCapture();
    void ReleaseCapture();
    void SetFocus();
    int SetTimer(unsigned id, unsigned elapseMs);
    int KillTimer(unsigned id);
    void ClientToScreen(CPoint& pt) const;
    void ClientToScreen(CRect& rc) const;
    void ScreenToClient(CPoint& pt) const;
    void ScreenToClient(CRect& rc) const;
    int SetWindowPos(int x, int y, int cx, int cy, unsigned flags = 0);
    int MoveWindow(int x, int y, int w, int h, int repaint = 1);
    int MoveWindow(const CRect* rc, int repaint = 1);
    // Shows the window and runs a modal loop until it is destroyed; returns
    // the code of the close request that ended it (0 when none, -1 without
    // a window). A quit met in the loop ends it and is posted again.
    int ShowModal(int cmdShow = SW_SHOW);
    int DestroyWindow();
    // Centres on relativeTo (or the owner, or the display) inside the
    // display's work area, without resizing.
    void CenterWindow(MWindow* relativeTo = nullptr);
    void BringToTop();
    LRESULT SendMessageW(unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
    int PostMessageW(unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);

    // The window procedure: every message of a toolkit window comes here.
    static LRESULT WndProc(HWND hwnd, unsigned msg, WPARAM wParam, LPARAM lParam);

protected:
    [[nodiscard]] virtual WindowKind GetWindowKind() const;

    HWND m_hParent = nullptr;
    HWND m_hWnd = nullptr;
    DWORD m_style = 0;
    DWORD m_exStyle = 0;
};
