// PaintManager: the toolkit side of one window. It owns the window's
// top-level controls, creates controls by class name, turns window messages
// into control calls, paints the window into its back buffer, and keeps the
// window's background, image cache, fonts, control timers, tooltip, overlay
// message and progress, caret and balloon tip.
//
// Index: life; window; controls and the factory; repaint requests and
// painting; mouse, keys and focus; window messages; control timers and
// animation; overlay; tooltip; background and images; fonts; caret; balloon
// tip and shadow; drops; lifetime of controls.
//
// Threads: everything runs on the UI thread except the animation tick
// (OnMTimer, timer thread), which takes only the animation-list lock and the
// ticking controls' own child locks. A repaint request made off the UI
// thread is only recorded and the window invalidated; the UI thread applies
// it before the next paint. Locks are recursive where painting re-enters
// them (a paint ends in repaint requests that walk the same lists).
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "ui/backend/MFont.h"
#include "ui/base/CString.h"
#include "ui/core/RKTimer.h"
#include "ui/core/Types.h"

class MControl;
class MObject;
class MWindow;
class MImage;
class MCanvas;
class MShadow;

// One cached image strip.
struct ImgResInfo {
    MImage* image = nullptr;
    int frameWidth = 0;
    int frameHeight = 0;
    int count = 0;
    CString name;
    unsigned resId = 0;
};

enum enumBackMode { BACK_MODE_NORMAL = 0, BACK_MODE_FRAME = 1 };
enum MsgLevel { MSG_LEVEL_INFO = 0, MSG_LEVEL_WARNING = 1, MSG_LEVEL_ERROR = 2 };
enum AIRBLADDER_TYPE { AIRBLADDER_LEFT = 0, AIRBLADDER_CENTER = 1, AIRBLADDER_RIGHT = 2 };
enum AIRBLADDER_MODE { AIRBLADDER_MODE_NONE = 0, AIRBLADDER_MODE_DEFAULT = 3 };

// The balloon tip window; its class comes with the popup windows and
// registers a factory here.
class IAirBladder {
public:
    virtual ~IAirBladder() = default;
    virtual void SetAirBladderMsg(const CString& text, CPoint pt, AIRBLADDER_TYPE type, AIRBLADDER_MODE mode) = 0;
    virtual void ShowAirBladder(int show) = 0;
};

// Window timer ids the overlay and the caret use.
constexpr unsigned kTimerMessageHold = 66;
constexpr unsigned kTimerOverlayFade = 88;
constexpr unsigned kTimerProgressRun = 99;
constexpr unsigned kTimerCaretBlink = 6553;
// The set-image message a drop sends to the window (lParam = MImage*).
constexpr unsigned STM_SETIMAGE = 0x0172;

class PaintManager : public RKTimer {
public:
    PaintManager();
    ~PaintManager() override;

    // Life.
    void Init(HWND hwnd, MWindow* window);
    void DestroyData();
    [[nodiscard]] bool IsInitialised() const { return m_initialised; }

    // Window.
    [[nodiscard]] HWND GetPaintWnd() const { return m_hwnd; }
    [[nodiscard]] HWND GetToolTipWnd() const { return m_hwnd; }
    [[nodiscard]] MWindow* GetMDialog() const { return m_window; }
    void GetClientRect(CRect& rc) const;
    void GetWindowRect(CRect& rc) const;
    void GetClientSize(int& w, int& h) const;
    void SetCaptionRect(const CRect& rc) { m_captionRect = rc; }
    [[nodiscard]] CRect GetCaptionRect() const { return m_captionRect; }
    void SetWindowMaxSize(int w, int h) { m_maxSize = {w, h}; }
    void GetWindowManSize(int& w, int& h) const { w = m_maxSize.cx, h = m_maxSize.cy; }
    void SetWindowMixSize(int w, int h) { m_minSize = {w, h}; }
    void GetWindowMinSize(int& w, int& h) const { w = m_minSize.cx, h = m_minSize.cy; }
    void SetCapture();
    void ReleaseCapture();
    [[nodiscard]] int IsCaptured() const { return m_captured; }
    void SetLayeredWindow(int layered) { m_layered = layered; }
    [[nodiscard]] int IsLayered() const { return m_layered; }
    void EnableWndDrag(int enable) { m_wndDrag = enable; }
    [[nodiscard]] int IsWndDragEnabled() const { return m_wndDrag; }
    LRESULT SendMessageW(unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
    int PostMessageW(unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
    void Invalidate();
    void InvalidateRect(const CRect& rc, int erase = 0);
    [[nodiscard]] bool IsUiThread() const { return std::this_thread::get_id() == m_uiThread; }

    // Controls. kind 1 = controls, 0 = areas, other = not attached.
    MControl* CreateControl(MObject* parent, const char16_t* cls, unsigned id, CRect rc, const char16_t* text,
                            int visible = 1, int enabled = 1);
    MControl* CreateArea(MObject* parent, const char16_t* cls, unsigned id, CRect rc, const char16_t* text,
                         int visible = 1, int enabled = 1);
    MControl* CreateControl(unsigned kind, MObject* parent, const char16_t* cls, unsigned id, CRect rc,
                            const char16_t* text, int visible, int enabled);
    // The class factory alone: a new unattached control, or null for a
    // class name that does not exist (yet). panel = the panel's list of
    // names, which differs slightly from the window's.
    static MControl* MakeControl(const char16_t* cls, MObject* parent, unsigned id, CRect rc, const char16_t* text,
                                 int visible, int enabled, bool panel);
    // Lets a control class that lives elsewhere join the factory.
    using ControlMaker = std::function<MControl*(MObject*, unsigned, CRect, const char16_t*, int, int)>;
    static void RegisterControlClass(const char16_t* cls, ControlMaker maker);
    void AddControl(MControl* ctrl);
    void AddArea(MControl* ctrl);
    [[nodiscard]] MControl* GetControl(unsigned id);
    [[nodiscard]] std::vector<MControl*>& GetControls() { return m_controls; }
    [[nodiscard]] std::vector<MControl*>& GetAreas() { return m_areas; }
    void RemoveControl(MControl* ctrl);
    void ClearAllControls();
    void ClearAreaControls();
    void ClearControls();

    // Repaint requests and painting.
    int OnControlUpdate(CRect rc, int bUpdate, MControl* ctrl);
    // A request made off the UI thread, to be applied by target there.
    void QueueUpdate(MObject* target, CRect rc, int bUpdate, MControl* ctrl);
    void ApplyQueuedUpdates();
    void OnPaint();
    // Draws the whole window into a canvas of the client size (tests and
    // screenshots).
    void PaintTo(MCanvas& canvas, const CRect& clip);
    void SetBackColor(COLORREF back, COLORREF frame);
    [[nodiscard]] COLORREF GetBackColor() const { return m_backColor; }
    [[nodiscard]] COLORREF GetFrameColor() const { return m_frameColor; }
    [[nodiscard]] COLORREF GetDefaultEnabledColor() const { return m_defaultEnabledColor; }
    void SetDefaultEnabledColor(COLORREF c) { m_defaultEnabledColor = c; }

    // Mouse, keys and focus.
    int OnMouseMove(unsigned flags, CPoint pt);
    int OnMouseLeave();
    int OnMouseHover(unsigned, CPoint) { return 0; }
    int OnMouseWheel(unsigned flags, int delta, CPoint screenPt);
    int OnLButtonDown(unsigned flags, CPoint pt);
    int OnLButtonUp(unsigned flags, CPoint pt);
    int OnLButtonDblClk(unsigned flags, CPoint pt);
    int OnRButtonDown(unsigned flags, CPoint pt);
    int OnRButtonUp(unsigned flags, CPoint pt);
    int OnRButtonDblClk(unsigned flags, CPoint pt);
    int OnKeyDown(unsigned key);
    int OnKeyUp(unsigned) { return 0; }
    int OnNcActivate(int active);
    [[nodiscard]] int IsActive() const { return m_active; }
    int PreTranslateMessage(MSG* msg);
    void SetFocusControl(MControl* ctrl);
    [[nodiscard]] MControl* GetFocusControl() const { return m_focus; }
    [[nodiscard]] MControl* GetHoverControl() const { return m_hover; }
    [[nodiscard]] MControl* GetNextFocusableControl();
    [[nodiscard]] MControl* GetPrevFocusableControl();

    // Window messages (after the window's own handlers); non-zero = handled.
    LRESULT OnWindowMessage(unsigned msg, WPARAM wParam, LPARAM lParam);
    void OnDestroyMessage(HWND hwnd);

    // Control timers on the window.
    int SetTimer(MControl* ctrl, unsigned key, unsigned elapseMs);
    int KillTimer(MControl* ctrl, unsigned key);
    void KillTimer(MControl* ctrl);
    void ClearTimers();
    void OnTimer(unsigned id);
    using RKTimer::KillTimer;
    using RKTimer::SetTimer;

    // Animation (timer thread).
    unsigned SetMTimer(unsigned period);
    void KillMTimer(unsigned id);
    void KillMTimer();
    [[nodiscard]] unsigned GetMTimerID() const { return m_animTimerId; }
    void AddMTimer(MControl* ctrl);
    void DeleteFSTimer(MControl* ctrl);
    void OnMTimer(unsigned id) override;
    using RKTimer::OnMTimer;

    // Overlay.
    void SetMessage(const CString& text, CRect rc, MsgLevel level);
    void SetProgress(int percent, const CString& text, CRect rc);
    [[nodiscard]] int GetOverlayAlpha() const { return m_overlayAlpha; }
    [[nodiscard]] int GetDisplayedProgress() const { return m_progress; }
    [[nodiscard]] int GetTargetProgress() const { return m_targetProgress; }
    [[nodiscard]] CRect GetOverlayRect() const { return m_overlayRect; }
    [[nodiscard]] CString GetOverlayText() const { return m_overlayText; }

    // Tooltip.
    void SetTooltip(const CString& text, CRect rc);
    void ClearTooltip();
    [[nodiscard]] CString GetTooltipText() const { return m_tooltipText; }
    [[nodiscard]] bool IsTooltipActive() const { return m_tooltipActive; }
    [[nodiscard]] unsigned GetTooltipCtrlID() const { return m_tooltipOwner; }
    void SetTooltipCtrlID(unsigned id) { m_tooltipOwner = id; }

    // Background and images.
    int LoadBKImage(const CString& file);
    int LoadBKImage(unsigned resId, const CString& resType);
    void SetBackMode(enumBackMode mode, int corner = 4);
    ImgResInfo* AddImgResInfo(const char16_t* file, int count);
    ImgResInfo* AddImgResInfo(unsigned resId, const CString& resType, int count, int fromApplication);
    void ClearImgResInfo();
    void SetScrollResID(unsigned vertical, unsigned horizontal) { m_scrollVId = vertical, m_scrollHId = horizontal; }
    [[nodiscard]] unsigned GetScrollVID() const { return m_scrollVId; }
    [[nodiscard]] unsigned GetScrollHID() const { return m_scrollHId; }

    // Fonts: every lookup resolves the global font name.
    CString FindTempFont(const CString& name);
    CString AddTempFont(const CString& key, const CString& filePath);
    void ClearTempFont();

    // Caret of the text-entry controls.
    void CreateCaret(int w, int h);
    void SetCaretPos(MControl* owner, int x, int y);
    void ShowCaret(int show);
    [[nodiscard]] MControl* GetCurrentCaretObject() const { return m_caretOwner; }
    void DrawCaret(HDC hdc, const CRect& clip);

    // Balloon tip.
    using AirBladderFactory = std::function<std::unique_ptr<IAirBladder>(PaintManager*)>;
    static void SetAirBladderFactory(AirBladderFactory factory);
    int SetAirBladderMsg(const CString& text, CPoint pt, AIRBLADDER_TYPE type, AIRBLADDER_MODE mode);
    int ShowAirBladder(int show, int tag);

    // Shadow (parameters; see MShadow).
    void CreateShadow(int show, bool flag);
    [[nodiscard]] MShadow* GetShadow() const { return m_shadow.get(); }
    int SetSize(int n);
    int SetSharpness(unsigned n);
    int SetDarkness(unsigned n);
    int SetPosition(int x, int y);
    int SetShadowColor(COLORREF c);
    int SetShadowImage(const char16_t* file, CRect corners);
    int SetShadowImage(unsigned resId, CRect corners);
    int SetShadowShow(int show);
    int DisableShadow(int disable);

    // Drops: a file dropped on the window, as an image for the window.
    void InitDragDrop() { m_dropEnabled = true; }
    void OnDrop(const CString& path);
    MCanvas* GetDropBitmap(MControl* ctrl, const CRect& rc, DWORD color);

    // Lifetime of controls: ForgetControl removes every reference the
    // manager holds; DeferDelete keeps the memory until the message being
    // handled returns (false when nothing is being handled: delete now).
    void ForgetControl(MControl* ctrl);
    bool DeferDelete(MControl* ctrl);
    [[nodiscard]] bool IsDispatching() const { return m_dispatchDepth > 0; }

private:
    struct WindowTimerRecord {
        unsigned key = 0;
        unsigned timerId = 0;
        bool stopped = false;
        MControl* ctrl = nullptr;
    };
    struct QueuedUpdate {
        MObject* target = nullptr;
        CRect rc;
        int bUpdate = 0;
        MControl* ctrl = nullptr;
    };
    void DrawOverlay(MCanvas& canvas);
    void DrawBackground(MCanvas& canvas, const CRect& client);
    void EndDispatch();
    unsigned NextWindowTimerId();
    void ShowTooltipWindow();
    MImage* LoadSkinImage(const CString& file);

    std::thread::id m_uiThread = std::this_thread::get_id();
    MWindow* m_window = nullptr;
    bool m_initialised = false;
    HWND m_hwnd = nullptr;
    COLORREF m_backColor = RGB(9, 13, 19);
    COLORREF m_frameColor = RGB(40, 80, 85);
    CRect m_captionRect;
    CSize m_maxSize;
    CSize m_minSize;
    int m_layered = 0;
    std::unique_ptr<MImage> m_bkImage;
    enumBackMode m_backMode = BACK_MODE_NORMAL;
    int m_backCorner = 4;
    std::unique_ptr<MShadow> m_shadow;
    // Overlay.
    CString m_overlayText;
    MsgLevel m_overlayLevel = MSG_LEVEL_INFO;
    int m_overlayAlpha = 0;
    int m_progress = 0;
    int m_targetProgress = 0;
    CRect m_overlayRect;
    std::atomic<unsigned> m_animTimerId{0};
    unsigned m_timerCounter = 4096;
    int m_active = 0;
    int m_tracking = 0;
    int m_lPressed = 0;
    int m_lDblClk = 0;
    int m_rPressed = 0;
    int m_rDblClk = 0;
    int m_captured = 0;
    int m_wndDrag = 1;
    MControl* m_hover = nullptr;
    MControl* m_focus = nullptr;
    unsigned m_tooltipOwner = 0;
    CString m_tooltipText;
    bool m_tooltipActive = false;
    HWND m_tooltipWnd = nullptr;
    std::unique_ptr<IAirBladder> m_airBladder;
    int m_airBladderTag = 0;
    std::vector<MControl*> m_areas;
    std::vector<MControl*> m_controls;
    std::vector<MControl*> m_animList;
    std::recursive_mutex m_areasLock;
    std::recursive_mutex m_controlsLock;
    std::recursive_mutex m_animLock;
    std::recursive_mutex m_imageLock;
    std::recursive_mutex m_timerLock;
    std::mutex m_fontLock;
    std::mutex m_queueLock;
    std::vector<QueuedUpdate> m_queuedUpdates;
    // Caret.
    CRect m_caretRect;
    bool m_caretPhase = false;
    bool m_caretShown = false;
    MControl* m_caretOwner = nullptr;
    // Image cache.
    std::map<CString, std::unique_ptr<ImgResInfo>> m_imagesByName;
    std::map<unsigned, std::unique_ptr<ImgResInfo>> m_imagesByAppId;
    std::map<unsigned, std::unique_ptr<ImgResInfo>> m_imagesByLibId;
    std::vector<std::unique_ptr<MImage>> m_imageStore;
    std::vector<WindowTimerRecord> m_windowTimers;
    std::map<CString, CString> m_fonts;
    COLORREF m_defaultEnabledColor = 0x808080;
    unsigned m_scrollVId = 102;
    unsigned m_scrollHId = 101;
    bool m_dropEnabled = false;
    int m_dispatchDepth = 0;
    std::vector<MControl*> m_graveyard;
};
