#include "ui/core/PaintManager.h"

#include <algorithm>
#include <cstdlib>

#include "ui/backend/MCanvas.h"
#include "ui/backend/MImage.h"
#include "ui/backend/Platform.h"
#include "ui/control/CArea.h"
#include "ui/control/MControl.h"
#include "ui/control/MControlFont.h"
#include "ui/control/MTabLayout.h"
#include "ui/core/Manager.h"
#include "ui/core/SkinPath.h"
#include "ui/render/CGifPicture.h"
#include "ui/window/MShadow.h"
#include "ui/window/MWindow.h"

namespace {

// Window-timer ids of controls run below this, skipping the overlay's.
constexpr unsigned kWindowTimerIdModulo = 240;
constexpr int kWheelDelta = 120;
// Overlay geometry and timing.
constexpr unsigned kMessageHoldMs = 3000;
constexpr unsigned kFadeStepMs = 50;
constexpr unsigned kProgressStepMs = 10;
constexpr int kFadeStep = 10;
constexpr int kFadeEnd = 20;
constexpr int kProgressStep = 2;
constexpr int kOverlayVisibleAlpha = 10;
constexpr unsigned kCaretBlinkMs = 530;
constexpr int kTooltipMaxWidth = 256;

// Class names of the window's factory, in the order they are compared.
const char16_t* const kWindowClasses[] = {
    u"CArea",        u"MText",         u"MPicture",      u"CPhotoFrame", u"CSliderPicture", u"CGifPicture",
    u"MProgress",    u"MSlider",       u"MLevelCtrl",    u"MButton",     u"CImageButton",   u"CTextButton",
    u"CCheckButton", u"CRadioButton",  u"CColorButton",  u"MSpinButton", u"CSpinButton",    u"CSwitchButton",
    u"CIconButton",  u"CTimerButton",  u"CHelpButton",   u"MEdit",       u"MRichEdit",      u"MEditEx",
    u"MComboBox",    u"MTabCtrl",      u"MTabLayout",    u"MListBox",    u"MPalette",       u"CColorPalette",
    u"CColorSelect", u"CirclePalette", u"CComboBoxList", u"MenuItem",    u"KeyboardCtrl",   u"CDeviceCtrl",
    u"BatteryCtrl"};
// A panel knows the same names but two, and five of its own.
const char16_t* const kPanelOnlyClasses[] = {u"KeyFuncControl", u"DListBox", u"CRecordList", u"UpgradeButton",
                                             u"DownloadButton"};

struct ControlRegistry {
    std::mutex lock;
    std::map<std::u16string, PaintManager::ControlMaker> makers;
};

ControlRegistry& Registry() {
    static ControlRegistry* registry = [] {
        auto* r = new ControlRegistry;
        r->makers[u"CArea"] = [](MObject* p, unsigned id, CRect rc, const char16_t*, int v, int e) {
            return static_cast<MControl*>(new CArea(p, id, rc, v, e));
        };
        r->makers[u"CGifPicture"] = [](MObject* p, unsigned id, CRect rc, const char16_t*, int v, int e) {
            return static_cast<MControl*>(new CGifPicture(p, id, rc, v, e));
        };
        r->makers[u"MTabLayout"] = [](MObject* p, unsigned id, CRect rc, const char16_t* t, int v, int e) {
            return static_cast<MControl*>(new MTabLayout(p, id, rc, t, v, e));
        };
        return r;
    }();
    return *registry;
}

bool InList(const std::u16string& name, bool panel) {
    for (const char16_t* c : kWindowClasses) {
        if (name != c) continue;
        return !(panel && (name == u"CComboBoxList" || name == u"BatteryCtrl"));
    }
    if (panel)
        for (const char16_t* c : kPanelOnlyClasses)
            if (name == c) return true;
    return false;
}

PaintManager::AirBladderFactory& AirBladderFactoryStorage() {
    static PaintManager::AirBladderFactory* factory = new PaintManager::AirBladderFactory;
    return *factory;
}

}  // namespace

// ---- Life ----

PaintManager::PaintManager() = default;

PaintManager::~PaintManager() {
    // Ticks must stop before anything they reach goes away.
    RKTimer::KillTimer();
    DestroyData();
    if (m_tooltipWnd) Platform::DestroyNativeWindow(m_tooltipWnd);
    m_airBladder.reset();
    for (MControl* c : m_graveyard) delete c;
}

void PaintManager::Init(HWND hwnd, MWindow* window) {
    if (!Platform::IsWindow(hwnd)) return;
    m_hwnd = hwnd;
    m_window = window;
    m_uiThread = std::this_thread::get_id();
    MFontRegistry::AddFontFolder(skin::DataFile(u"font"));
    m_initialised = true;
    m_scrollVId = 102;
    m_scrollHId = 101;
}

void PaintManager::DestroyData() {
    if (!m_initialised && m_controls.empty() && m_areas.empty()) return;
    m_bkImage.reset();
    KillMTimer();
    RKTimer::KillTimer();
    ClearTimers();
    ClearAreaControls();
    ClearControls();
    // A control whose handler destroyed the window is still on the stack:
    // the end of that message frees it.
    if (!IsDispatching()) {
        for (MControl* c : m_graveyard) delete c;
        m_graveyard.clear();
    }
    ClearImgResInfo();
    ClearTempFont();
    if (m_tooltipWnd) {
        Platform::DestroyNativeWindow(m_tooltipWnd);
        m_tooltipWnd = nullptr;
    }
    m_hover = m_focus = m_caretOwner = nullptr;
    m_initialised = false;
    m_hwnd = nullptr;
}

// ---- Window ----

void PaintManager::GetClientRect(CRect& rc) const {
    rc = Platform::GetClientRect(m_hwnd);
}
void PaintManager::GetWindowRect(CRect& rc) const {
    rc = Platform::GetWindowRect(m_hwnd);
}

void PaintManager::GetClientSize(int& w, int& h) const {
    const CRect rc = Platform::GetClientRect(m_hwnd);
    w = rc.Width();
    h = rc.Height();
}

void PaintManager::SetCapture() {
    if (!Platform::IsWindow(m_hwnd)) return;
    Platform::SetCapture(m_hwnd);
    m_captured = 1;
}

void PaintManager::ReleaseCapture() {
    if (m_captured && Platform::GetCapture() == m_hwnd) Platform::ReleaseCapture();
    m_captured = 0;
}

LRESULT PaintManager::SendMessageW(unsigned msg, WPARAM wParam, LPARAM lParam) {
    return Platform::SendMessage(m_hwnd, msg, wParam, lParam);
}

int PaintManager::PostMessageW(unsigned msg, WPARAM wParam, LPARAM lParam) {
    return Platform::PostMessage(m_hwnd, msg, wParam, lParam);
}

void PaintManager::Invalidate() {
    Platform::InvalidateRect(m_hwnd, nullptr);
}

void PaintManager::InvalidateRect(const CRect& rc, int) {
    if (m_layered)
        Platform::InvalidateRect(m_hwnd, nullptr);
    else
        Platform::InvalidateRect(m_hwnd, &rc);
}

// ---- Controls ----

void PaintManager::RegisterControlClass(const char16_t* cls, ControlMaker maker) {
    if (!cls || !*cls) return;
    std::lock_guard guard(Registry().lock);
    Registry().makers[cls] = std::move(maker);
}

MControl* PaintManager::MakeControl(const char16_t* cls, MObject* parent, unsigned id, CRect rc, const char16_t* text,
                                    int visible, int enabled, bool panel) {
    if (!cls || !*cls) return nullptr;
    const std::u16string name(cls);
    if (!InList(name, panel)) return nullptr;
    ControlMaker maker;
    {
        std::lock_guard guard(Registry().lock);
        auto it = Registry().makers.find(name);
        if (it == Registry().makers.end()) return nullptr;
        maker = it->second;
    }
    return maker(parent, id, rc, text ? text : u"", visible, enabled);
}

MControl* PaintManager::CreateControl(MObject* parent, const char16_t* cls, unsigned id, CRect rc, const char16_t* text,
                                      int visible, int enabled) {
    return CreateControl(1, parent, cls, id, rc, text, visible, enabled);
}

MControl* PaintManager::CreateArea(MObject* parent, const char16_t* cls, unsigned id, CRect rc, const char16_t* text,
                                   int visible, int enabled) {
    return CreateControl(0, parent, cls, id, rc, text, visible, enabled);
}

MControl* PaintManager::CreateControl(unsigned kind, MObject* parent, const char16_t* cls, unsigned id, CRect rc,
                                      const char16_t* text, int visible, int enabled) {
    MControl* ctrl = MakeControl(cls, parent, id, rc, text, visible, enabled, false);
    if (!ctrl) return nullptr;
    ctrl->SetManager(this);
    if (kind == 0)
        AddArea(ctrl);
    else if (kind == 1)
        AddControl(ctrl);
    return ctrl;
}

void PaintManager::AddControl(MControl* ctrl) {
    if (!ctrl) return;
    std::lock_guard guard(m_controlsLock);
    m_controls.push_back(ctrl);
}

void PaintManager::AddArea(MControl* ctrl) {
    if (!ctrl) return;
    std::lock_guard guard(m_areasLock);
    m_areas.push_back(ctrl);
}

MControl* PaintManager::GetControl(unsigned id) {
    {
        std::lock_guard guard(m_controlsLock);
        for (size_t i = 0; i < m_controls.size(); ++i) {
            if (m_controls[i]->GetControlID() == id) return m_controls[i];
            if (MControl* found = m_controls[i]->GetControl(id)) return found;
        }
    }
    std::lock_guard guard(m_areasLock);
    for (size_t i = 0; i < m_areas.size(); ++i) {
        if (m_areas[i]->GetControlID() == id) return m_areas[i];
        if (MControl* found = m_areas[i]->GetControl(id)) return found;
    }
    return nullptr;
}

void PaintManager::RemoveControl(MControl* ctrl) {
    {
        std::lock_guard guard(m_controlsLock);
        auto it = std::find(m_controls.begin(), m_controls.end(), ctrl);
        if (it == m_controls.end()) return;
        m_controls.erase(it);
    }
    MControl::DestroyControl(ctrl);
}

void PaintManager::ClearAllControls() {
    ClearAreaControls();
    ClearControls();
}

void PaintManager::ClearAreaControls() {
    std::vector<MControl*> list;
    {
        std::lock_guard guard(m_areasLock);
        list.swap(m_areas);
    }
    for (MControl* c : list) MControl::DestroyControl(c);
}

void PaintManager::ClearControls() {
    std::vector<MControl*> list;
    {
        std::lock_guard guard(m_controlsLock);
        list.swap(m_controls);
    }
    for (MControl* c : list) MControl::DestroyControl(c);
}

// ---- Repaint requests and painting ----

int PaintManager::OnControlUpdate(CRect rc, int bUpdate, MControl* ctrl) {
    if (!ctrl) return 0;
    if (!IsUiThread()) {
        QueueUpdate(nullptr, rc, bUpdate, ctrl);
        return 1;
    }
    if (bUpdate) ctrl->SetUpdate(0, m_backColor);
    if (!m_initialised) return 1;
    CRect area = rc;
    bool met = false;
    auto walk = [&](std::vector<MControl*>& list) {
        for (size_t i = 0; i < list.size(); ++i) {
            MControl* c = list[i];
            if (c == ctrl) {
                met = true;
                continue;
            }
            if (!met || !c->IsVisible()) continue;
            const CRect r = c->GetRect();
            CRect o;
            if (!o.IntersectRect(r, rc)) continue;
            c->SetUpdate(0, m_backColor);
            area.UnionRect(area, r);
        }
    };
    {
        std::lock_guard guard(m_areasLock);
        walk(m_areas);
    }
    {
        std::lock_guard guard(m_controlsLock);
        walk(m_controls);
    }
    InvalidateRect(area, 0);
    return 1;
}

void PaintManager::QueueUpdate(MObject* target, CRect rc, int bUpdate, MControl* ctrl) {
    {
        std::lock_guard guard(m_queueLock);
        m_queuedUpdates.push_back({target, rc, bUpdate, ctrl});
    }
    // Wakes the loop; the applied request adds what lies above.
    Platform::InvalidateRect(m_hwnd, &rc);
}

void PaintManager::ApplyQueuedUpdates() {
    std::vector<QueuedUpdate> updates;
    {
        std::lock_guard guard(m_queueLock);
        updates.swap(m_queuedUpdates);
    }
    for (const auto& u : updates) {
        if (u.target)
            u.target->OnControlUpdate(u.rc, u.bUpdate, u.ctrl);
        else
            OnControlUpdate(u.rc, u.bUpdate, u.ctrl);
    }
}

void PaintManager::SetBackColor(COLORREF back, COLORREF frame) {
    m_backColor = back;
    m_frameColor = frame;
}

void PaintManager::DrawBackground(MCanvas& canvas, const CRect& client) {
    if (m_bkImage) {
        if (m_backMode == BACK_MODE_FRAME) {
            // A frame stretched with fixed corners.
            const int c = m_backCorner;
            const int w = m_bkImage->GetWidth();
            const int h = m_bkImage->GetHeight();
            const CRect d = client;
            auto part = [&](CRect dst, CRect src) { canvas.DrawImage(m_bkImage.get(), dst, src); };
            part({d.left, d.top, d.left + c, d.top + c}, {0, 0, c, c});
            part({d.left, d.top + c, d.left + c, d.bottom - c}, {0, c, c, h - c});
            part({d.left, d.bottom - c, d.left + c, d.bottom}, {0, h - c, c, h});
            part({d.left + c, d.top, d.right - c, d.top + c}, {c, 0, w - c, c});
            part({d.right - c, d.top, d.right, d.top + c}, {w - c, 0, w, c});
            part({d.right - c, d.top + c, d.right, d.bottom - c}, {w - c, c, w, h - c});
            part({d.right - c, d.bottom - c, d.right, d.bottom}, {w - c, h - c, w, h});
            part({d.left + c, d.bottom - c, d.right - c, d.bottom}, {c, h - c, w - c, h});
            part({d.left + c, d.top + c, d.right - c, d.bottom - c}, {c, c, w - c, h - c});
        } else {
            canvas.ClearRect(client, ColorRefToArgb(m_backColor));
            canvas.DrawImage(m_bkImage.get(), CRect(0, 0, m_bkImage->GetWidth(), m_bkImage->GetHeight()));
        }
        return;
    }
    canvas.ClearRect(client, ColorRefToArgb(m_frameColor, 254));
    CRect inner = client;
    inner.DeflateRect(1, 1);
    canvas.ClearRect(inner, ColorRefToArgb(m_backColor, 254));
}

void PaintManager::PaintTo(MCanvas& canvas, const CRect& clip) {
    const CRect client(0, 0, canvas.Width(), canvas.Height());
    canvas.Save();
    canvas.IntersectClip(clip);
    if (m_layered) canvas.ClearRect(clip, 0);
    DrawBackground(canvas, client);
    HDC hdc = &canvas;
    const CRect drawClip = m_layered ? client : clip;
    {
        std::lock_guard guard(m_areasLock);
        for (size_t i = 0; i < m_areas.size(); ++i) m_areas[i]->Draw(hdc, drawClip);
    }
    {
        std::lock_guard guard(m_controlsLock);
        for (size_t i = 0; i < m_controls.size(); ++i) m_controls[i]->Draw(hdc, drawClip);
    }
    DrawCaret(hdc, clip);
    if (m_overlayAlpha > kOverlayVisibleAlpha && !m_overlayText.IsEmpty()) DrawOverlay(canvas);
    canvas.Restore();
}

void PaintManager::OnPaint() {
    ApplyQueuedUpdates();
    if (Platform::IsIconic(m_hwnd)) return;
    CRect update;
    MCanvas* back = Platform::BeginPaint(m_hwnd, update);
    if (!back || update.IsRectEmpty()) return;
    PaintTo(*back, update);
    // Presents only the update rect; the rate cap (one paint per interval)
    // is the loop's, so nothing sleeps here.
    Platform::EndPaint(m_hwnd, update);
}

void PaintManager::DrawOverlay(MCanvas& canvas) {
    const CRect& rc = m_overlayRect;
    const auto alpha = static_cast<uint8_t>(std::clamp(m_overlayAlpha, 0, 255));
    canvas.FillRect(rc, ColorRefToArgb(0xE6E6E6, alpha));
    CRect inner = rc;
    inner.DeflateRect(2, 2);
    canvas.FillRect(inner, ColorRefToArgb(0xFEFEFE, alpha));
    MFont font{Manager::GetFontName(), 12, FontStyleRegular};
    const ARGB text = ColorRefToArgb(0x050505, alpha);
    if (m_progress <= 0 && m_targetProgress <= 0) {
        canvas.DrawString(m_overlayText, CRect(rc.left + 5, rc.top + 5, rc.left + 195, rc.top + 55), font, text,
                          kAlignLeft, kAlignVCenter, kTextNoWrap);
        return;
    }
    canvas.DrawString(m_overlayText, CRect(rc.left + 5, rc.top + 5, rc.right - 5, rc.top + 35), font, text,
                      kAlignCenter, kAlignVCenter, kTextNoWrap);
    canvas.DrawLine(rc.left + 10, rc.bottom - 15, rc.right - 20, rc.bottom - 15, 0xC8C8C8C8, 1.0);
    const int width = m_progress * (rc.Width() - 20) / 100;
    canvas.FillRect(CRect(rc.left + 10, rc.bottom - 16, rc.left + 10 + width, rc.bottom - 13), 0xFEFFE100);
}

// ---- Mouse, keys and focus ----

int PaintManager::OnMouseMove(unsigned flags, CPoint pt) {
    if (!m_tracking) m_tracking = 1;  // leave notifications always arrive
    if (m_hover) {
        if (m_hover->PtInRect(pt) && m_hover->OnCheckMouseResponse(flags, pt) && m_tracking) {
            m_hover->OnMouseMove(flags, pt);
            return 1;
        }
        ClearTooltip();
    }
    if (m_lPressed && m_hover) {
        // The press that started on the hover control keeps it.
        m_hover->OnMouseMove(flags, pt);
        return 1;
    }
    if (!m_tracking) {
        m_hover = nullptr;
        return 0;
    }
    MControl* previous = m_hover;
    MControl* found = nullptr;
    std::lock_guard guard(m_controlsLock);
    for (size_t i = 0; i < m_controls.size(); ++i) {
        MControl* c = m_controls[i];
        c->OnMouseMove(flags, pt);
        if (i < m_controls.size() && m_controls[i] == c && c->PtInRect(pt) && c->GetRresponse()) found = c;
    }
    m_hover = found;
    (void)previous;
    return 1;
}

int PaintManager::OnMouseLeave() {
    ClearTooltip();
    m_tracking = 0;
    if (!m_lPressed && m_hover) {
        MControl* hover = m_hover;
        m_hover = nullptr;
        hover->OnMouseMove(0, CPoint(-1, -1));
    }
    return 1;
}

int PaintManager::OnMouseWheel(unsigned, int delta, CPoint screenPt) {
    CPoint pt = screenPt;
    if (m_window) m_window->ScreenToClient(pt);
    const int steps = delta / kWheelDelta;
    const unsigned direction = steps <= 0 ? 1 : 0;
    int taken = 0;
    for (int i = 0; i < std::abs(steps); ++i) {
        if (m_hover && m_hover->OnScroll(1, direction, pt)) {
            taken = 1;
            continue;
        }
        std::lock_guard guard(m_controlsLock);
        for (size_t k = 0; k < m_controls.size(); ++k)
            if (m_controls[k]->OnScroll(1, direction, pt)) {
                taken = 1;
                break;
            }
    }
    return taken;
}

int PaintManager::OnLButtonDown(unsigned flags, CPoint pt) {
    m_lDblClk = 0;
    if (m_focus && m_focus != m_hover) {
        m_focus->SetControlFocus(0);
        m_focus = nullptr;
    }
    MControl* hover = m_hover;
    if (hover && hover->IsVisible() && hover->GetRresponse() && hover->PtInRect(pt) &&
        hover->OnCheckMouseResponse(flags, pt)) {
        m_lPressed = 1;
        SetFocusControl(hover);
        const int handled = hover->OnLButtonDown(flags, pt);
        if (!m_captured && m_hover == hover && hover->OnCheckMouseResponse(flags, pt)) {
            SetCapture();
            return 1;
        }
        (void)handled;
        return 1;
    }
    if (m_wndDrag) {
        ReleaseCapture();
        SendMessageW(WM_NCLBUTTONDOWN, HTCAPTION, MakePointLParam(pt.x, pt.y));
    }
    return 1;
}

int PaintManager::OnLButtonUp(unsigned flags, CPoint pt) {
    ReleaseCapture();
    m_lPressed = 0;
    MControl* hover = m_hover;
    if (!hover) return 0;
    if (hover->IsVisible() && hover->GetRresponse()) {
        const CRect before = hover->GetRect();
        hover->OnLButtonUp(flags, pt);
        if (!before.PtInRect(pt) && m_hover == hover) m_hover = nullptr;
    } else {
        m_hover = nullptr;
    }
    return 1;
}

int PaintManager::OnLButtonDblClk(unsigned flags, CPoint pt) {
    m_lDblClk = 1;
    MControl* hover = m_hover;
    if (hover && hover->IsVisible() && hover->GetRresponse()) {
        const CRect before = hover->GetRect();
        hover->OnLButtonDblClk(flags, pt);
        if (!before.PtInRect(pt) && m_hover == hover) m_hover = nullptr;
    }
    return 1;
}

int PaintManager::OnRButtonDown(unsigned flags, CPoint pt) {
    m_rDblClk = 0;
    MControl* hover = m_hover;
    if (hover && hover->IsVisible() && hover->GetRresponse() && hover->PtInRect(pt) &&
        hover->OnCheckMouseResponse(flags, pt)) {
        m_rPressed = 1;
        SetFocusControl(hover);
        hover->OnRButtonDown(flags, pt);
        if (!m_captured && m_hover == hover && hover->OnCheckMouseResponse(flags, pt)) SetCapture();
    }
    return 1;
}

int PaintManager::OnRButtonUp(unsigned flags, CPoint pt) {
    ReleaseCapture();
    m_rPressed = 0;
    MControl* hover = m_hover;
    if (!hover) return 0;
    if (hover->IsVisible() && hover->GetRresponse()) {
        const CRect before = hover->GetRect();
        hover->OnRButtonUp(flags, pt);
        if (!before.PtInRect(pt) && m_hover == hover) m_hover = nullptr;
    } else {
        m_hover = nullptr;
    }
    return 1;
}

int PaintManager::OnRButtonDblClk(unsigned flags, CPoint pt) {
    m_rDblClk = 1;
    MControl* hover = m_hover;
    if (hover && hover->IsVisible() && hover->GetRresponse()) {
        const CRect before = hover->GetRect();
        hover->OnRButtonDblClk(flags, pt);
        if (!before.PtInRect(pt) && m_hover == hover) m_hover = nullptr;
    }
    return 1;
}

int PaintManager::OnKeyDown(unsigned key) {
    const unsigned flags = Platform::GetModifierFlags();
    if (m_hover && m_hover->OnKeyDown(key, 1, flags)) return 1;
    std::lock_guard guard(m_controlsLock);
    for (size_t i = 0; i < m_controls.size(); ++i)
        if (m_controls[i] != m_hover && m_controls[i]->OnKeyDown(key, 1, flags)) break;
    return 1;
}

int PaintManager::OnNcActivate(int active) {
    m_active = active;
    if (!active) {
        m_tracking = 0;
        ReleaseCapture();
        m_lDblClk = 0;
        MControl* hover = m_hover;
        m_hover = nullptr;
        if (hover) {
            if (m_lPressed) {
                m_lPressed = 0;
                hover->OnLButtonUp(0, CPoint(-1, -1));
            } else {
                hover->OnMouseMove(0, CPoint(-1, -1));
            }
        }
    }
    Invalidate();
    return 1;
}

int PaintManager::PreTranslateMessage(MSG* msg) {
    if (!msg) return 0;
    if ((msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) && msg->wParam == VK_TAB) {
        const bool shift = Platform::IsKeyDown(VK_SHIFT);
        const bool ctrl = Platform::IsKeyDown(VK_CONTROL);
        const bool alt = Platform::IsKeyDown(VK_MENU);
        MControl* next = nullptr;
        if (!shift && !ctrl && !alt)
            next = GetNextFocusableControl();
        else if (shift && !ctrl && !alt)
            next = GetPrevFocusableControl();
        else
            return 0;
        if (next && next != m_focus) {
            SetFocusControl(next);
            return 1;
        }
    }
    return 0;
}

void PaintManager::SetFocusControl(MControl* ctrl) {
    if (ctrl == m_focus) return;
    if (m_focus) m_focus->SetControlFocus(0);
    if (ctrl) ctrl->SetControlFocus(1);
    m_focus = ctrl;
}

MControl* PaintManager::GetNextFocusableControl() {
    std::lock_guard guard(m_controlsLock);
    auto focusable = [](MControl* c) { return c->IsVisible() && c->IsEnabled() && c->IsTabStop(); };
    auto at = std::find(m_controls.begin(), m_controls.end(), m_focus);
    if (at != m_controls.end())
        for (auto it = at + 1; it != m_controls.end(); ++it)
            if (focusable(*it)) return *it;
    if (at == m_controls.end() && m_focus) return nullptr;
    for (MControl* c : m_controls)
        if (focusable(c)) return c;
    return nullptr;
}

MControl* PaintManager::GetPrevFocusableControl() {
    std::lock_guard guard(m_controlsLock);
    auto focusable = [](MControl* c) { return c->IsVisible() && c->IsEnabled() && c->IsTabStop(); };
    auto at = std::find(m_controls.rbegin(), m_controls.rend(), m_focus);
    if (at != m_controls.rend())
        for (auto it = at + 1; it != m_controls.rend(); ++it)
            if (focusable(*it)) return *it;
    if (at == m_controls.rend() && m_focus) return nullptr;
    for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it)
        if (focusable(*it)) return *it;
    return nullptr;
}

// ---- Window messages ----

LRESULT PaintManager::OnWindowMessage(unsigned msg, WPARAM wParam, LPARAM lParam) {
    ++m_dispatchDepth;
    struct DepthGuard {
        PaintManager* pm;
        ~DepthGuard() { pm->EndDispatch(); }
    } depthGuard{this};
    ApplyQueuedUpdates();
    {
        std::lock_guard guard(m_controlsLock);
        for (size_t i = 0; i < m_controls.size(); ++i)
            if (m_controls[i]->OnWindowMessage(msg, wParam, lParam)) return 0;
    }
    const CPoint pt = PointFromLParam(lParam);
    const unsigned flags = static_cast<unsigned>(wParam & 0xFFFF);
    switch (msg) {
        case WM_PAINT:
            OnPaint();
            return 1;
        case WM_CREATE:
        case WM_DESTROY:
        case WM_SIZE:
        case WM_CHAR:
        case WM_MOUSEHOVER:
            return 1;
        case WM_NCDESTROY:
            DestroyData();
            return 1;
        case WM_NCACTIVATE:
            return OnNcActivate(static_cast<int>(wParam));
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            return OnKeyDown(static_cast<unsigned>(wParam));
        case WM_KEYUP:
        case WM_SYSKEYUP:
            return OnKeyUp(static_cast<unsigned>(wParam));
        case WM_COMMAND:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            if (lParam) return 0;
            return 0;
        case WM_TIMER:
            OnTimer(static_cast<unsigned>(wParam));
            return 1;
        case WM_MOUSEMOVE:
            return OnMouseMove(flags, pt);
        case WM_MOUSELEAVE:
            return OnMouseLeave();
        case WM_MOUSEWHEEL:
            return OnMouseWheel(flags, static_cast<int16_t>((wParam >> 16) & 0xFFFF), pt);
        case WM_LBUTTONDOWN:
            return OnLButtonDown(flags, pt);
        case WM_LBUTTONUP:
            return OnLButtonUp(flags, pt);
        case WM_LBUTTONDBLCLK:
            return OnLButtonDblClk(flags, pt);
        case WM_RBUTTONDOWN:
            return OnRButtonDown(flags, pt);
        case WM_RBUTTONUP:
            return OnRButtonUp(flags, pt);
        case WM_RBUTTONDBLCLK:
            return OnRButtonDblClk(flags, pt);
        case WM_DROPFILES: {
            auto* path = reinterpret_cast<CString*>(lParam);
            if (path && m_dropEnabled) OnDrop(*path);
            delete path;
            return 1;
        }
        default:
            return 0;
    }
}

void PaintManager::EndDispatch() {
    if (--m_dispatchDepth > 0) return;
    std::vector<MControl*> dead;
    dead.swap(m_graveyard);
    for (MControl* c : dead) delete c;
}

void PaintManager::OnDestroyMessage(HWND hwnd) {
    if (hwnd == m_hwnd) DestroyData();
}

// ---- Control timers and animation ----

unsigned PaintManager::NextWindowTimerId() {
    // Ids in use are skipped too, so two records never share a platform id.
    for (int tries = 0; tries < static_cast<int>(kWindowTimerIdModulo); ++tries) {
        m_timerCounter = (m_timerCounter + 1) % kWindowTimerIdModulo;
        const unsigned id = m_timerCounter;
        if (id == 0 || id == kTimerMessageHold || id == kTimerOverlayFade || id == kTimerProgressRun) continue;
        const bool used = std::any_of(m_windowTimers.begin(), m_windowTimers.end(),
                                      [&](const WindowTimerRecord& r) { return r.timerId == id; });
        if (!used) return id;
    }
    return 0;
}

int PaintManager::SetTimer(MControl* ctrl, unsigned key, unsigned elapseMs) {
    std::lock_guard guard(m_timerLock);
    for (auto& r : m_windowTimers) {
        if (r.ctrl != ctrl || r.key != key) continue;
        if (!r.stopped) return 0;
        if (!Platform::SetTimer(m_hwnd, r.timerId, elapseMs)) return 0;
        r.stopped = false;
        return 1;
    }
    const unsigned id = NextWindowTimerId();
    if (id == 0 || !Platform::SetTimer(m_hwnd, id, elapseMs)) return 0;
    m_windowTimers.push_back({key, id, false, ctrl});
    return 1;
}

int PaintManager::KillTimer(MControl* ctrl, unsigned key) {
    std::lock_guard guard(m_timerLock);
    for (auto& r : m_windowTimers)
        if (r.ctrl == ctrl && r.key == key && !r.stopped) {
            Platform::KillTimer(m_hwnd, r.timerId);
            r.stopped = true;
            return 1;
        }
    return 0;
}

void PaintManager::KillTimer(MControl* ctrl) {
    std::lock_guard guard(m_timerLock);
    for (const auto& r : m_windowTimers)
        if (r.ctrl == ctrl) Platform::KillTimer(m_hwnd, r.timerId);
    m_windowTimers.erase(std::remove_if(m_windowTimers.begin(), m_windowTimers.end(),
                                        [&](const WindowTimerRecord& r) { return r.ctrl == ctrl; }),
                         m_windowTimers.end());
}

void PaintManager::ClearTimers() {
    std::lock_guard guard(m_timerLock);
    for (const auto& r : m_windowTimers) Platform::KillTimer(m_hwnd, r.timerId);
    m_windowTimers.clear();
}

void PaintManager::OnTimer(unsigned id) {
    switch (id) {
        case kTimerCaretBlink:
            m_caretPhase = !m_caretPhase;
            InvalidateRect(m_caretRect);
            return;
        case kTimerMessageHold:
            Platform::KillTimer(m_hwnd, kTimerMessageHold);
            Platform::SetTimer(m_hwnd, kTimerOverlayFade, kFadeStepMs);
            return;
        case kTimerOverlayFade:
            m_overlayAlpha -= kFadeStep;
            if (m_overlayAlpha < kFadeEnd) {
                m_overlayAlpha = 0;
                m_progress = 0;
                Platform::KillTimer(m_hwnd, kTimerOverlayFade);
                Invalidate();
            }
            InvalidateRect(m_overlayRect);
            return;
        case kTimerProgressRun:
            m_progress = std::min(m_progress + kProgressStep, std::max(m_targetProgress, 0));
            if (m_progress >= m_targetProgress) Platform::KillTimer(m_hwnd, kTimerProgressRun);
            InvalidateRect(m_overlayRect);
            if (m_progress >= 100) Platform::SetTimer(m_hwnd, kTimerOverlayFade, kFadeStepMs);
            return;
        default:
            break;
    }
    std::vector<MControl*> targets;
    {
        std::lock_guard guard(m_timerLock);
        for (const auto& r : m_windowTimers)
            if (r.timerId == id && !r.stopped && r.ctrl) targets.push_back(r.ctrl);
        for (MControl* c : targets) c->OnTimer();
    }
}

unsigned PaintManager::SetMTimer(unsigned period) {
    m_animTimerId = RKTimer::SetTimer(period, CString(), 0);
    return m_animTimerId;
}

void PaintManager::KillMTimer(unsigned id) {
    RKTimer::KillTimer(id);
    if (id == m_animTimerId) m_animTimerId = 0;
}

void PaintManager::KillMTimer() {
    if (m_animTimerId) RKTimer::KillTimer(m_animTimerId);
    m_animTimerId = 0;
}

void PaintManager::AddMTimer(MControl* ctrl) {
    if (!ctrl) return;
    std::lock_guard guard(m_animLock);
    m_animList.push_back(ctrl);
}

void PaintManager::DeleteFSTimer(MControl* ctrl) {
    std::lock_guard guard(m_animLock);
    auto it = std::find(m_animList.begin(), m_animList.end(), ctrl);
    if (it != m_animList.end()) m_animList.erase(it);
}

void PaintManager::OnMTimer(unsigned id) {
    if (id == 0 || id != m_animTimerId) return;
    std::lock_guard guard(m_animLock);
    for (size_t i = 0; i < m_animList.size(); ++i) {
        MControl* c = m_animList[i];
        if (c->IsRunTimer() && c->IsVisible() && c->IsParentVisible()) c->OnTimer();
    }
}

// ---- Overlay ----

void PaintManager::SetMessage(const CString& text, CRect rc, MsgLevel level) {
    Platform::KillTimer(m_hwnd, kTimerMessageHold);
    Platform::KillTimer(m_hwnd, kTimerOverlayFade);
    m_overlayAlpha = 255;
    m_overlayText = text;
    m_overlayLevel = level;
    m_progress = 0;
    m_targetProgress = 0;
    m_overlayRect = rc;
    InvalidateRect(rc);
    Platform::SetTimer(m_hwnd, kTimerMessageHold, kMessageHoldMs);
}

void PaintManager::SetProgress(int percent, const CString& text, CRect rc) {
    if (percent == m_targetProgress) return;
    if (percent < 5) Platform::KillTimer(m_hwnd, kTimerOverlayFade);
    m_overlayAlpha = 255;
    m_overlayText = text;
    m_targetProgress = percent;
    if (rc.IsRectEmpty()) {
        CRect client;
        GetClientRect(client);
        rc = CRect(client.left, client.bottom - 60, client.right, client.bottom - 2);
    }
    m_overlayRect = rc;
    if (m_targetProgress - m_progress < 6) {
        m_progress = m_targetProgress;
        InvalidateRect(rc);
        if (m_progress > 99) Platform::SetTimer(m_hwnd, kTimerOverlayFade, kFadeStepMs);
    } else {
        Platform::SetTimer(m_hwnd, kTimerProgressRun, kProgressStepMs);
    }
}

// ---- Tooltip ----

void PaintManager::SetTooltip(const CString& text, CRect) {
    if (text.IsEmpty()) {
        m_tooltipText.Empty();
        m_tooltipActive = false;
        if (m_tooltipWnd) Platform::ShowWindow(m_tooltipWnd, SW_HIDE);
        return;
    }
    m_tooltipText = text;
    m_tooltipActive = true;
    ShowTooltipWindow();
}

void PaintManager::ClearTooltip() {
    m_tooltipText.Empty();
    m_tooltipActive = false;
    m_tooltipOwner = 0;
    if (m_tooltipWnd) Platform::ShowWindow(m_tooltipWnd, SW_HIDE);
}

void PaintManager::ShowTooltipWindow() {
    if (!Platform::IsWindow(m_hwnd)) return;
    // A small popup the toolkit draws itself: white, dark text, below the
    // pointer.
    const MFont font{Manager::GetFontName(), 12, FontStyleRegular};
    MCanvas probe(1, 1);
    const CSize size = probe.MeasureString(m_tooltipText, font, kTooltipMaxWidth - 8, kTextWordWrap);
    const int w = std::min(kTooltipMaxWidth, size.cx + 8);
    const int h = size.cy + 6;
    CRect win = Platform::GetWindowRect(m_hwnd);
    const CRect where(win.left + 16, win.top + 16, win.left + 16 + w, win.top + 16 + h);
    if (!m_tooltipWnd)
        m_tooltipWnd = Platform::CreateNativeWindow(nullptr, m_hwnd, CString(u"tooltip"), where, WindowKind::Tooltip);
    if (!m_tooltipWnd) return;
    Platform::SetWindowRect(m_tooltipWnd, where);
    Platform::ShowWindow(m_tooltipWnd, SW_SHOWNOACTIVATE);
    Platform::InvalidateRect(m_tooltipWnd, nullptr);
    CRect update;
    if (MCanvas* c = Platform::BeginPaint(m_tooltipWnd, update)) {
        const CRect all(0, 0, w, h);
        c->ClearRect(all, 0xFFFFFFFF);
        c->DrawRect(all, 0xFF767676);
        c->DrawString(m_tooltipText, CRect(4, 3, w - 4, h - 3), font, 0xFF1E1E1E, kAlignLeft, kAlignTop, kTextWordWrap);
        Platform::EndPaint(m_tooltipWnd, all);
    }
}

// ---- Background and images ----

MImage* PaintManager::LoadSkinImage(const CString& file) {
    auto image = MImage::FromFile(skin::SkinPath(file));
    if (!image) return nullptr;
    m_imageStore.push_back(std::move(image));
    return m_imageStore.back().get();
}

int PaintManager::LoadBKImage(const CString& file) {
    m_bkImage = MImage::FromFile(skin::SkinPath(file));
    Invalidate();
    return m_bkImage != nullptr;
}

int PaintManager::LoadBKImage(unsigned resId, const CString& resType) {
    CString type = resType;
    m_bkImage = MImage::FromFile(skin::SkinPath(CString(u"res/") + CString::FromInt(resId) + u"." + type.MakeLower()));
    Invalidate();
    return m_bkImage != nullptr;
}

void PaintManager::SetBackMode(enumBackMode mode, int corner) {
    m_backMode = mode;
    m_backCorner = std::max(0, corner);
}

ImgResInfo* PaintManager::AddImgResInfo(const char16_t* file, int count) {
    if (!file || !*file) return nullptr;
    std::lock_guard guard(m_imageLock);
    auto it = m_imagesByName.find(CString(file));
    if (it != m_imagesByName.end()) return it->second.get();
    MImage* image = LoadSkinImage(CString(file));
    if (!image) return nullptr;
    auto info = std::make_unique<ImgResInfo>();
    info->image = image;
    info->count = std::max(1, count);
    info->frameWidth = image->GetWidth() / info->count;
    info->frameHeight = image->GetHeight();
    info->name = file;
    ImgResInfo* raw = info.get();
    m_imagesByName[CString(file)] = std::move(info);
    return raw;
}

ImgResInfo* PaintManager::AddImgResInfo(unsigned resId, const CString& resType, int count, int fromApplication) {
    std::lock_guard guard(m_imageLock);
    auto& map = fromApplication ? m_imagesByAppId : m_imagesByLibId;
    auto it = map.find(resId);
    if (it != map.end()) return it->second.get();
    // Resources are PNG files named by id under the skin's res/ folder.
    CString type = resType;
    MImage* image = LoadSkinImage(CString(u"res/") + CString::FromInt(resId) + u"." + type.MakeLower());
    if (!image) return nullptr;
    auto info = std::make_unique<ImgResInfo>();
    info->image = image;
    info->count = std::max(1, count);
    info->frameWidth = image->GetWidth() / info->count;
    info->frameHeight = image->GetHeight();
    info->resId = resId;
    ImgResInfo* raw = info.get();
    map[resId] = std::move(info);
    return raw;
}

void PaintManager::ClearImgResInfo() {
    std::lock_guard guard(m_imageLock);
    m_imagesByName.clear();
    m_imagesByAppId.clear();
    m_imagesByLibId.clear();
    m_imageStore.clear();
}

// ---- Fonts ----

CString PaintManager::FindTempFont(const CString&) {
    const CString key = Manager::GetFontName();
    std::lock_guard guard(m_fontLock);
    auto it = m_fonts.find(key);
    if (it != m_fonts.end()) return it->second;
    if (key == u"SourceHanSansCN-Regular" || MFontRegistry::HasFamily(key)) {
        m_fonts[key] = key;
        return key;
    }
    return CString();
}

CString PaintManager::AddTempFont(const CString& key, const CString& filePath) {
    if (!MFontRegistry::AddFontFile(filePath.ToUtf8())) return CString();
    std::lock_guard guard(m_fontLock);
    m_fonts[key] = key;
    return key;
}

void PaintManager::ClearTempFont() {
    std::lock_guard guard(m_fontLock);
    m_fonts.clear();
}

// ---- Caret ----

void PaintManager::CreateCaret(int w, int h) {
    m_caretRect.right = m_caretRect.left + std::max(1, w);
    m_caretRect.bottom = m_caretRect.top + std::max(1, h);
}

void PaintManager::SetCaretPos(MControl* owner, int x, int y) {
    const CRect old = m_caretRect;
    m_caretOwner = owner;
    m_caretRect.MoveToXY(x, y);
    InvalidateRect(old);
    InvalidateRect(m_caretRect);
}

void PaintManager::ShowCaret(int show) {
    if ((show != 0) == m_caretShown) return;
    m_caretShown = show != 0;
    if (m_caretShown) {
        Platform::SetTimer(m_hwnd, kTimerCaretBlink, kCaretBlinkMs);
        if (!m_caretPhase) {
            InvalidateRect(m_caretRect);
            m_caretPhase = true;
        }
    } else {
        Platform::KillTimer(m_hwnd, kTimerCaretBlink);
        if (m_caretPhase) {
            InvalidateRect(m_caretRect);
            m_caretPhase = false;
        }
    }
}

void PaintManager::DrawCaret(HDC hdc, const CRect& clip) {
    if (!m_caretOwner || !m_caretOwner->IsFocused() || !Platform::HasFocus(m_hwnd)) {
        if (m_caretShown || m_caretPhase) {
            Platform::KillTimer(m_hwnd, kTimerCaretBlink);
            m_caretShown = false;
            if (m_caretPhase) InvalidateRect(m_caretRect);
            m_caretPhase = false;
        }
        return;
    }
    CRect o;
    if (!m_caretShown || !m_caretPhase || !o.IntersectRect(m_caretRect, clip) || !hdc) return;
    ARGB color = 0xFE000000;
    if (auto* font = dynamic_cast<MControlFont*>(m_caretOwner))
        color = (font->GetTextColor() & 0x00FFFFFF) | 0xFE000000;
    hdc->FillRect(m_caretRect, color);
}

// ---- Balloon tip and shadow ----

void PaintManager::SetAirBladderFactory(AirBladderFactory factory) {
    AirBladderFactoryStorage() = std::move(factory);
}

int PaintManager::SetAirBladderMsg(const CString& text, CPoint pt, AIRBLADDER_TYPE type, AIRBLADDER_MODE mode) {
    if (!m_airBladder) {
        if (!AirBladderFactoryStorage()) return 0;
        m_airBladder = AirBladderFactoryStorage()(this);
        if (!m_airBladder) return 0;
    }
    m_airBladder->SetAirBladderMsg(text, pt, type, mode);
    return 1;
}

int PaintManager::ShowAirBladder(int show, int tag) {
    if (!m_airBladder) return 0;
    if (tag) {
        if (show)
            m_airBladderTag = tag;
        else if (tag != m_airBladderTag)
            return 0;
    }
    m_airBladder->ShowAirBladder(show);
    return 1;
}

void PaintManager::CreateShadow(int show, bool) {
    if (!m_shadow) m_shadow = std::make_unique<MShadow>();
    m_shadow->ShowShadow(show);
    m_shadow->Create(this);
}

int PaintManager::SetSize(int n) {
    if (!m_shadow) m_shadow = std::make_unique<MShadow>();
    return m_shadow->SetSize(n);
}
int PaintManager::SetSharpness(unsigned n) {
    if (!m_shadow) m_shadow = std::make_unique<MShadow>();
    return m_shadow->SetSharpness(n);
}
int PaintManager::SetDarkness(unsigned n) {
    if (!m_shadow) m_shadow = std::make_unique<MShadow>();
    return m_shadow->SetDarkness(n);
}
int PaintManager::SetPosition(int x, int y) {
    if (!m_shadow) m_shadow = std::make_unique<MShadow>();
    return m_shadow->SetPosition(x, y);
}
int PaintManager::SetShadowColor(COLORREF c) {
    if (!m_shadow) m_shadow = std::make_unique<MShadow>();
    return m_shadow->SetColor(c);
}
int PaintManager::SetShadowImage(const char16_t* file, CRect corners) {
    if (!m_shadow) m_shadow = std::make_unique<MShadow>();
    if (corners.left < 0 || corners.top < 0 || corners.right < 0 || corners.bottom < 0) return 0;
    m_shadow->SetShadowCorner(corners);
    return m_shadow->SetImage(file);
}
int PaintManager::SetShadowImage(unsigned resId, CRect corners) {
    if (!m_shadow) m_shadow = std::make_unique<MShadow>();
    if (corners.left < 0 || corners.top < 0 || corners.right < 0 || corners.bottom < 0) return 0;
    m_shadow->SetShadowCorner(corners);
    return m_shadow->SetImage(resId);
}
int PaintManager::SetShadowShow(int show) {
    if (!m_shadow) m_shadow = std::make_unique<MShadow>();
    m_shadow->ShowShadow(show);
    return 1;
}
int PaintManager::DisableShadow(int disable) {
    if (!m_shadow) return 0;
    m_shadow->DisableShadow(disable);
    return 1;
}

// ---- Drops ----

void PaintManager::OnDrop(const CString& path) {
    CPoint pt = PointFromLParam(0);
    SendMessageW(WM_LBUTTONUP, 0, MakePointLParam(pt.x, pt.y));
    auto image = MImage::FromFile(path.ToUtf8());
    if (!image) return;
    // The window takes the image; it returns the one it had (or null),
    // which is freed here.
    auto* old = reinterpret_cast<MImage*>(SendMessageW(STM_SETIMAGE, 0, reinterpret_cast<LPARAM>(image.get())));
    if (old != image.get()) {
        image.release();
        delete old;
    }
}

MCanvas* PaintManager::GetDropBitmap(MControl* ctrl, const CRect&, DWORD) {
    return ctrl ? ctrl->GetDropBitmap() : nullptr;
}

// ---- Lifetime of controls ----

void PaintManager::ForgetControl(MControl* ctrl) {
    if (!ctrl) return;
    if (m_hover == ctrl) m_hover = nullptr;
    if (m_focus == ctrl) m_focus = nullptr;
    if (m_caretOwner == ctrl) {
        m_caretOwner = nullptr;
        ShowCaret(0);
    }
    if (m_tooltipOwner && m_tooltipOwner == ctrl->GetControlID()) ClearTooltip();
    {
        // Waits for a running tick, which may be inside this control.
        std::lock_guard guard(m_animLock);
        m_animList.erase(std::remove(m_animList.begin(), m_animList.end(), ctrl), m_animList.end());
    }
    KillTimer(ctrl);
    {
        std::lock_guard guard(m_queueLock);
        m_queuedUpdates.erase(std::remove_if(m_queuedUpdates.begin(), m_queuedUpdates.end(),
                                             [&](const QueuedUpdate& u) {
                                                 return u.ctrl == ctrl || u.target == static_cast<MObject*>(ctrl);
                                             }),
                              m_queuedUpdates.end());
    }
}

bool PaintManager::DeferDelete(MControl* ctrl) {
    if (!IsDispatching() || !IsUiThread()) return false;
    m_graveyard.push_back(ctrl);
    return true;
}
