// MDialog: the window every screen of the program derives from. It owns a
// paint manager and is the owner of its top-level controls; window messages
// reach its virtual hooks first, then the controls. Control notifications
// arrive in OnMessage. DoOK/DoCancel/DoClose/DoYes/DoNo end a modal loop
// with their close codes.
#pragma once

#include "ui/control/MObject.h"
#include "ui/core/PaintManager.h"
#include "ui/window/MWindow.h"

class MDialog : public MWindow, public MObject {
public:
    MDialog();
    ~MDialog() override;

    [[nodiscard]] const char16_t* GetClassNameW() const override { return u"MDialog"; }
    [[nodiscard]] PaintManager& GetPaintManager() { return m_pm; }

    LRESULT OnWindowMessage(unsigned msg, WPARAM wParam, LPARAM lParam) override;
    int PreTranslateMessage(MSG* msg) override;
    int OnInitDialog() override;
    void OnDestroyMessage(HWND hwnd) override;
    virtual CPoint GetAirBladderPoint(MControl* ctrl, unsigned type);
    virtual void OnMinimize();
    virtual void OnMaximize();
    virtual void InitUI(CRect) {}
    virtual void UISize(CRect) {}
    long OnBaseMessage(unsigned ctrlId, unsigned msg, unsigned wParam, long lParam) override;
    int OnControlUpdate(CRect rc, int bUpdate, MControl* ctrl) override;
    virtual long OnMessage(unsigned, unsigned, unsigned, long) { return 0; }
    virtual LRESULT OnUserCloseWindow(unsigned code, long);
    virtual int OnCreate(void*);
    virtual void OnSize(unsigned type, int cx, int cy);
    virtual int OnMouseMove(unsigned, CPoint) { return 0; }
    virtual int OnMouseLeave() { return 0; }
    virtual int OnMouseHover(unsigned, CPoint) { return 0; }
    virtual int OnMouseWheel(unsigned, int, CPoint) { return 0; }
    virtual int OnLButtonDown(unsigned, CPoint) { return 0; }
    virtual int OnLButtonUp(unsigned, CPoint) { return 0; }
    virtual int OnLButtonDblClk(unsigned, CPoint) { return 0; }
    virtual int OnRButtonDown(unsigned, CPoint) { return 0; }
    virtual int OnRButtonUp(unsigned, CPoint) { return 0; }
    virtual int OnRButtonDblClk(unsigned, CPoint) { return 0; }
    virtual int OnKeyDown(unsigned, unsigned, unsigned) { return 0; }
    virtual int OnNcHitTest(CPoint) { return 0; }
    virtual int OnGetMinMaxInfo(void*) { return 0; }
    virtual int OnNcCalcSize(int, void*) { return 0; }
    virtual int OnNcActivate(int) { return 0; }
    virtual int OnWindowPosChanging(void*) { return 1; }
    virtual int OnWindowPosChanged(void*) { return 1; }
    virtual void OnPaint() {}
    virtual void OnTimer(unsigned) {}
    virtual void OnNcPaint() {}
    virtual int OnClose() { return 1; }
    virtual void OnDestroy() {}
    virtual void PostNcDestroy() {}

    // Appearance, controls and timers, passed to the paint manager.
    int LoadBKImage(const CString& file) { return m_pm.LoadBKImage(file); }
    int LoadBKImage(unsigned resId, const CString& resType) { return m_pm.LoadBKImage(resId, resType); }
    void SetBackMode(enumBackMode mode, int corner = 4) { m_pm.SetBackMode(mode, corner); }
    void SetScrollResID(unsigned v, unsigned h) { m_pm.SetScrollResID(v, h); }
    void SetLayeredWindow(int layered) { m_pm.SetLayeredWindow(layered); }
    void EnableWndDrag(int enable) { m_pm.EnableWndDrag(enable); }
    void SetupBackTranslucent();
    void SetWindowAlpha(uint8_t alpha) { m_alpha = alpha; }
    void SetColorKey(COLORREF key) { m_colorKey = key; }
    void CreateShadow(int show, bool flag = false) { m_pm.CreateShadow(show, flag); }
    int SetSize(int n) { return m_pm.SetSize(n); }
    int SetSharpness(unsigned n) { return m_pm.SetSharpness(n); }
    int SetDarkness(unsigned n) { return m_pm.SetDarkness(n); }
    int SetPosition(int x, int y) { return m_pm.SetPosition(x, y); }
    int SetShadowColor(COLORREF c) { return m_pm.SetShadowColor(c); }
    int SetShadowImage(const char16_t* file, CRect corners) { return m_pm.SetShadowImage(file, corners); }
    int SetShadowImage(unsigned resId, CRect corners) { return m_pm.SetShadowImage(resId, corners); }
    int SetShadowShow(int show) { return m_pm.SetShadowShow(show); }
    // An empty rect places a 200 x 58 box centred above the bottom edge.
    void SetMessage(const CString& text, CRect rc = CRect(), MsgLevel level = MSG_LEVEL_INFO);
    void SetProgress(int percent, const CString& text, CRect rc = CRect()) { m_pm.SetProgress(percent, text, rc); }
    void SetMessageOffset(int offset) { m_messageOffset = offset; }
    void SetTooltip(const CString& text, CRect rc) { m_pm.SetTooltip(text, rc); }
    void ClearTooltip() { m_pm.ClearTooltip(); }
    void SetTooltipCtrlID(unsigned id) { m_pm.SetTooltipCtrlID(id); }
    [[nodiscard]] unsigned GetTooltipCtrlID() const { return m_pm.GetTooltipCtrlID(); }
    int SetAirBladderMsg(const char16_t* text, CPoint pt, AIRBLADDER_TYPE type);
    MControl* CreateControl(const char16_t* cls, unsigned id, CRect rc, const char16_t* text, int visible = 1,
                            int enabled = 1) {
        return m_pm.CreateControl(this, cls, id, rc, text, visible, enabled);
    }
    MControl* CreateArea(const char16_t* cls, unsigned id, CRect rc, const char16_t* text, int visible = 1,
                         int enabled = 1) {
        return m_pm.CreateArea(this, cls, id, rc, text, visible, enabled);
    }
    // Attaches a control made by the caller (owned by the dialog from now).
    MControl* AddControl(MControl* ctrl);
    MControl* GetControl(unsigned id) { return m_pm.GetControl(id); }
    std::vector<MControl*>& GetControls() { return m_pm.GetControls(); }
    void SetFocusControl(MControl* ctrl) { m_pm.SetFocusControl(ctrl); }
    unsigned SetMTimer(unsigned period) { return m_pm.SetMTimer(period); }
    void KillMTimer(unsigned id) { m_pm.KillMTimer(id); }

    void DoOK() { PostCloseCode(IDOK); }
    void DoCancel() { PostCloseCode(IDCANCEL); }
    void DoClose() { PostCloseCode(IDCANCEL); }
    void DoYes() { PostCloseCode(IDYES); }
    void DoNo() { PostCloseCode(IDNO); }

protected:
    void PostCloseCode(unsigned code) { PostMessageW(WM_USER_CLOSE_WINDOW, code, 0); }

    PaintManager m_pm;
    CRect m_clientRect;
    COLORREF m_colorKey = 0xFFFFFF;
    uint8_t m_alpha = 255;
    int m_messageOffset = 0;
};
