// MControl: the base of every control. A control has a rect in window client
// coordinates, flags, two child lists (background areas drawn first, and
// foreground controls that also take input), a cached drawing, and routes
// mouse and key input down to its children.
//
// Index: construction and identity; geometry and flags; children; input
// entry points and the OnControl... hooks a class overrides; drawing and the
// cache; repaint requests; tooltip and cursor; notification; timers.
//
// Threads: drawing and input run on the UI thread; animation ticks
// (OnTimer, OnControlTimer) run on the timer thread. Flags a tick reads or
// writes are atomic, the rect and tooltip sit behind a small lock, and each
// child list has its own recursive lock (a parent's before a child's).
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "ui/base/CString.h"
#include "ui/control/MObject.h"
#include "ui/core/Types.h"

class PaintManager;
class MCanvas;

// Cursor names: SetCursorEx compares the pointer, not the text, so only
// these constants select a cursor.
extern const char16_t MCURSOR_ARROW[];
extern const char16_t MCURSOR_WAIT[];
extern const char16_t MCURSOR_CROSS[];
extern const char16_t MCURSOR_SIZEWE[];
extern const char16_t MCURSOR_SIZENS[];
extern const char16_t MCURSOR_HAND[];
extern const char16_t MCURSOR_HELP[];

// A position given relative to a range (layout helpers).
struct FS_POSITION_ITEM {
    int mode = 0;     // 0 from an edge, 1 from the centre, 2 percent
    int fromEnd = 0;  // measured from the far end
    float value = 0;
};

// The ids a panel gives its own scroll bars.
constexpr unsigned kVerticalScrollId = 1;
constexpr unsigned kHorizontalScrollId = 2;

class MControl : public MObject {
public:
    MControl(MObject* parent, unsigned id, CRect rect, int visible = 1, int enabled = 1, int response = 1);
    ~MControl() override;

    // Identity.
    [[nodiscard]] const char16_t* GetClassNameW() const override { return u"FSControl"; }
    [[nodiscard]] unsigned GetControlID() const { return m_id; }
    [[nodiscard]] MObject* GetParantObject() const { return m_parent; }
    void SetParent(MObject* parent) { m_parent = parent; }
    [[nodiscard]] PaintManager* GetManager() const { return m_manager; }
    // Stores the manager, then calls InitControl.
    void SetManager(PaintManager* manager);

    // Virtual hooks, in the order a class overrides them.
    virtual void InitControl(PaintManager*) {}
    virtual int PtInRect(CPoint pt);
    virtual void DrawControl(HDC& hdc, CRect clip) = 0;
    virtual void DrawSubControls(HDC& hdc, CRect clip);
    virtual int IsDraw(CPoint) { return 0; }
    // Stores update for this control and every foreground child over it.
    virtual void SetUpdate(int update, unsigned long backColor = 0);
    virtual int SetControlFocus(int focus);
    virtual void InitUI(CRect) {}
    // A scrolling container shifts the point into content coordinates.
    virtual int OnMousePointChange(CPoint&) { return 0; }
    virtual int OnCheckMouseResponse(unsigned, CPoint) { return 1; }
    // Non-zero consumes a raw window message.
    virtual int OnWindowMessage(unsigned, WPARAM, LPARAM) { return 0; }
    virtual long OnMessage(unsigned, unsigned, unsigned, long) { return 0; }
    virtual void SetControlRect(CRect rc);
    virtual void SetControlVisible(int visible) { m_visible = visible; }
    virtual void SetControlWndVisible(int) {}
    virtual void SetControlEnabled(int enabled) { m_enabled = enabled; }
    virtual int OnControlTimer() { return 0; }
    virtual MCanvas* GetControlDropBitmap() { return nullptr; }
    virtual int OnControlMouseMove(unsigned, CPoint) { return 0; }
    virtual int OnControlSetCursor(unsigned flags, CPoint pt);
    virtual int OnControlLButtonDown(unsigned, CPoint) { return 0; }
    virtual int OnControlLButtonUp(unsigned, CPoint) { return 0; }
    virtual int OnControlLButtonDblClk(unsigned, CPoint) { return 0; }
    virtual int OnControlScroll(int, unsigned, CPoint) { return 0; }
    virtual int OnControlRButtonDown(unsigned, CPoint) { return 0; }
    virtual int OnControlRButtonUp(unsigned, CPoint) { return 0; }
    virtual int OnControlRButtonDblClk(unsigned, CPoint) { return 0; }
    virtual int OnControlKeyDown(unsigned, unsigned, unsigned) { return 0; }
    virtual void OnPositionChange() {}
    virtual void InvalidateRect(const CRect* rc, int erase = 0);
    // Children's repaint requests go on to this control's owner.
    int OnControlUpdate(CRect rc, int bUpdate, MControl* ctrl) override;

    // Geometry.
    [[nodiscard]] CRect GetRect() const;
    void SetRect(CRect rc);
    void SetRect(int x, int y, int w, int h);

    // Flags.
    [[nodiscard]] int IsVisible() const { return m_visible; }
    void SetVisible(int visible);
    void SetVisible(int visible, int notify);
    // Whether every ancestor up to the dialog is visible.
    [[nodiscard]] int IsParentVisible() const;
    [[nodiscard]] int IsEnabled() const { return m_enabled; }
    void SetEnabled(int enabled);
    [[nodiscard]] int GetRresponse() const { return m_response; }
    void SetRresponse(int response) { m_response = response; }
    [[nodiscard]] int IsTabStop() const { return m_tabStop; }
    void SetTabStop(int tabStop) { m_tabStop = tabStop; }
    [[nodiscard]] int IsDragDrop() const { return m_dragDrop; }
    void SetDragDrop(int dragDrop) { m_dragDrop = dragDrop; }
    [[nodiscard]] int GetDblClk() const { return m_dblClk; }
    [[nodiscard]] int IsFocused() const { return m_focused; }
    [[nodiscard]] int IsFocusControl() const;
    [[nodiscard]] int IsKeyDown() const { return m_keyDown; }
    [[nodiscard]] int IsRunTimer() const { return m_runTimer; }
    void SetRunTimer(int run) { m_runTimer = run; }
    [[nodiscard]] int GetUpdate() const { return m_update; }
    [[nodiscard]] int IsRun() const { return m_running; }
    void SetRun(int run) { m_running = run; }

    // Children. The returned vector is the live list; hold GetControlsLock()
    // while walking it off the UI thread.
    [[nodiscard]] std::vector<MControl*>& GetControls() { return m_controls; }
    [[nodiscard]] std::vector<MControl*>& GetAreas() { return m_areas; }
    [[nodiscard]] std::recursive_mutex& GetControlsLock() { return m_controlsLock; }
    // Foreground children depth first, then the areas; null when absent.
    [[nodiscard]] virtual MControl* GetControl(unsigned id);
    void AddControl(MControl* ctrl);
    void AddArea(MControl* ctrl);
    void RemoveControl(MControl* ctrl);
    void RemoveAllControl();
    [[nodiscard]] MControl* GetFocusControl();
    [[nodiscard]] MControl* GetNextFocusableControl();
    [[nodiscard]] MControl* GetPrevFocusableControl();
    [[nodiscard]] MControl* GetCapturedControl() const { return m_captured; }

    // Frees a control the toolkit owns: it is first taken out of everything
    // the paint manager holds (hover, focus, capture, caret, tooltip,
    // animation list, window timers, queued repaints), and the memory is
    // given back once the message being handled has returned.
    static void DestroyControl(MControl* ctrl);

    // Input entry points (routing); non-zero when handled.
    int OnMouseMove(unsigned flags, CPoint pt);
    int OnLButtonDown(unsigned flags, CPoint pt);
    int OnLButtonUp(unsigned flags, CPoint pt);
    int OnLButtonDblClk(unsigned flags, CPoint pt);
    int OnRButtonDown(unsigned flags, CPoint pt);
    int OnRButtonUp(unsigned flags, CPoint pt);
    int OnRButtonDblClk(unsigned flags, CPoint pt);
    int OnScroll(int bar, unsigned dir, CPoint pt);
    int OnKeyDown(unsigned key, unsigned repeat, unsigned flags);
    int OnKeyUp(unsigned, unsigned, unsigned) { return 0; }
    // One animation tick: this control, then its running visible children.
    int OnTimer();
    int OnFocus(int focus) { return SetControlFocus(focus); }

    // Drawing.
    void Draw(HDC& hdc, CRect clip);
    // Marks the cache valid and (re)creates it when the size changed.
    MCanvas* UpdateMemDC(HDC& hdc, int w, int h);
    MCanvas* UpdateAnimateDC(HDC& hdc, int w, int h);
    [[nodiscard]] MCanvas* GetMemDC() const { return m_memDC.get(); }
    [[nodiscard]] MCanvas* GetAnimateDC() const { return m_animDC.get(); }
    // Copies what lies under the control in hdc into the cache.
    void CopyBackgroundToCache(HDC& hdc);
    // Draws the cache (a frame of frameWidth at index) at the control's rect.
    void DrawCacheToTarget(HDC& hdc, int frameIndex = 0);
    MCanvas* GetDropBitmap() { return GetControlDropBitmap(); }

    // Repaint requests.
    void UpdateControl(int bUpdate = 1, int force = 0);
    void UpdateControl(CRect rc, int bUpdate, int force);
    void UpdateAControl(int keepAnimation, int force = 0);
    [[nodiscard]] int IsAnimate() const { return m_animate; }

    // Tooltip and cursor.
    void SetTooltip(const CString& text, CRect rc);
    void SetTooltip(const char16_t* text);
    [[nodiscard]] CString GetTooltip() const;
    void ClearTooltip();
    void SetTooltipCtrlID(unsigned) {}
    [[nodiscard]] unsigned GetTooltipCtrlID() const { return 0; }
    void SetCursorEx(const char16_t* name);
    // The cursor shape index (-1: none).
    [[nodiscard]] int GetCursorKind() const { return m_cursor; }

    // Notification of the owner.
    long SendMessageW(unsigned msg, unsigned wParam = 0, long lParam = 0);

    // Animation ticks (the run flag switches them on).
    void AddMTimer();

    static int PositionItem2Value(const FS_POSITION_ITEM& item, int lo, int hi);

protected:
    // Takes the control and its subtree out of everything the manager holds.
    void PrepareDelete();
    // Point a child is given: raw for the scroll bars, shifted for others.
    static CPoint ChildPoint(const MControl* child, CPoint raw, CPoint shifted);
    MControl* CapturePressTarget(CPoint raw, CPoint shifted);
    [[nodiscard]] std::vector<MControl*> ChildSnapshot();
    [[nodiscard]] bool HasChild(MControl* ctrl);

    MObject* m_parent = nullptr;
    PaintManager* m_manager = nullptr;
    unsigned m_id = 0;
    mutable std::mutex m_stateLock;  // m_rect and m_tooltip
    CRect m_rect;
    std::atomic<int> m_visible{1};
    std::atomic<int> m_enabled{1};
    int m_dragDrop = 0;
    std::atomic<int> m_response{1};
    int m_tabStop = 0;
    int m_dblClk = 0;
    int m_pressedInside = 0;
    int m_keyDown = 0;
    std::atomic<int> m_focused{0};
    unsigned m_accelKey = 0;
    unsigned m_accelFlags = 0;
    std::atomic<int> m_update{0};
    std::atomic<int> m_animate{0};
    std::atomic<int> m_runTimer{0};
    std::atomic<int> m_running{0};
    int m_imageECM = 0;
    std::vector<MControl*> m_areas;
    std::vector<MControl*> m_controls;
    std::recursive_mutex m_areasLock;
    std::recursive_mutex m_controlsLock;
    MControl* m_captured = nullptr;
    std::unique_ptr<MCanvas> m_memDC;
    std::unique_ptr<MCanvas> m_animDC;
    CString m_tooltip;
    int m_cursor = -1;
    int m_mouseOutside = 1;
};
