#include "ui/control/MControl.h"

#include <algorithm>

#include "ui/backend/MCanvas.h"
#include "ui/backend/Platform.h"
#include "ui/core/PaintManager.h"

const char16_t MCURSOR_ARROW[] = u"arrow";
const char16_t MCURSOR_WAIT[] = u"wait";
const char16_t MCURSOR_CROSS[] = u"cross";
const char16_t MCURSOR_SIZEWE[] = u"sizewe";
const char16_t MCURSOR_SIZENS[] = u"sizens";
const char16_t MCURSOR_HAND[] = u"hand";
const char16_t MCURSOR_HELP[] = u"help";

MControl::MControl(MObject* parent, unsigned id, CRect rect, int visible, int enabled, int response)
    : m_parent(parent), m_id(id), m_rect(rect), m_visible(visible), m_enabled(enabled), m_response(response) {}

MControl::~MControl() {
    RemoveAllControl();
    // A control deleted directly (not through DestroyControl) is still taken
    // out of the manager's records here.
    if (m_manager) m_manager->ForgetControl(this);
}

void MControl::SetManager(PaintManager* manager) {
    m_manager = manager;
    InitControl(manager);
}

int MControl::PtInRect(CPoint pt) {
    return IsVisible() && GetRect().PtInRect(pt);
}

void MControl::DrawSubControls(HDC& hdc, CRect clip) {
    std::lock_guard guard(m_controlsLock);
    for (size_t i = 0; i < m_controls.size(); ++i)
        if (m_controls[i]->IsVisible()) m_controls[i]->Draw(hdc, clip);
}

void MControl::SetUpdate(int update, unsigned long backColor) {
    m_update = update;
    const CRect mine = GetRect();
    std::lock_guard guard(m_controlsLock);
    for (size_t i = 0; i < m_controls.size(); ++i) {
        CRect overlap;
        if (overlap.IntersectRect(mine, m_controls[i]->GetRect())) m_controls[i]->SetUpdate(update, backColor);
    }
}

int MControl::SetControlFocus(int focus) {
    m_focused = focus;
    if (!focus) {
        std::lock_guard guard(m_controlsLock);
        for (size_t i = 0; i < m_controls.size(); ++i) m_controls[i]->SetControlFocus(0);
    }
    return 0;
}

void MControl::SetControlRect(CRect rc) {
    std::lock_guard guard(m_stateLock);
    m_rect = rc;
}

int MControl::OnControlSetCursor(unsigned, CPoint pt) {
    if (m_cursor < 0 || !GetRect().PtInRect(pt)) return 0;
    Platform::SetCursor(static_cast<CursorKind>(m_cursor));
    return 1;
}

void MControl::InvalidateRect(const CRect* rc, int) {
    if (!m_manager) return;
    if (m_manager->IsLayered() || !rc)
        m_manager->Invalidate();
    else
        m_manager->InvalidateRect(*rc, 0);
}

int MControl::OnControlUpdate(CRect rc, int bUpdate, MControl* ctrl) {
    if (ctrl && bUpdate) ctrl->SetUpdate(0);
    return m_parent ? m_parent->OnControlUpdate(rc, 0, this) : 0;
}

CRect MControl::GetRect() const {
    std::lock_guard guard(m_stateLock);
    return m_rect;
}

void MControl::SetRect(CRect rc) {
    CRect both;
    both.UnionRect(GetRect(), rc);
    SetControlRect(rc);
    if (IsVisible() && m_parent) m_parent->OnControlUpdate(both, 1, this);
}

void MControl::SetRect(int x, int y, int w, int h) {
    SetRect(CRect(x, y, x + w, y + h));
}

void MControl::SetVisible(int visible) {
    SetVisible(visible, 1);
}

void MControl::SetVisible(int visible, int notify) {
    if ((m_visible != 0) == (visible != 0)) return;
    SetControlVisible(visible);
    if (notify && m_parent) m_parent->OnControlUpdate(GetRect(), 1, this);
}

int MControl::IsParentVisible() const {
    MObject* parent = m_parent;
    while (parent) {
        if (parent->IsClass(u"MDialog")) return 1;
        auto* control = dynamic_cast<MControl*>(parent);
        if (!control || !control->IsVisible()) return 0;
        parent = control->GetParantObject();
    }
    return 0;
}

void MControl::SetEnabled(int enabled) {
    if ((m_enabled != 0) == (enabled != 0)) return;
    SetControlEnabled(enabled);
    if (IsVisible()) UpdateControl(1, 0);
}

int MControl::IsFocusControl() const {
    return m_manager && m_manager->GetFocusControl() == this;
}

MControl* MControl::GetControl(unsigned id) {
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

void MControl::AddControl(MControl* ctrl) {
    if (!ctrl) return;
    std::lock_guard guard(m_controlsLock);
    m_controls.push_back(ctrl);
}

void MControl::AddArea(MControl* ctrl) {
    if (!ctrl) return;
    std::lock_guard guard(m_areasLock);
    m_areas.push_back(ctrl);
}

void MControl::RemoveControl(MControl* ctrl) {
    if (!ctrl) return;
    {
        std::lock_guard guard(m_controlsLock);
        auto it = std::find(m_controls.begin(), m_controls.end(), ctrl);
        if (it == m_controls.end()) return;
        m_controls.erase(it);
        if (m_captured == ctrl) m_captured = nullptr;
    }
    DestroyControl(ctrl);
}

void MControl::RemoveAllControl() {
    std::vector<MControl*> areas;
    std::vector<MControl*> controls;
    {
        std::lock_guard guard(m_areasLock);
        areas.swap(m_areas);
    }
    {
        std::lock_guard guard(m_controlsLock);
        controls.swap(m_controls);
        m_captured = nullptr;
    }
    for (MControl* c : areas) DestroyControl(c);
    for (MControl* c : controls) DestroyControl(c);
}

void MControl::PrepareDelete() {
    // Children first; no lock of this control is held while the manager's
    // animation lock is taken (the timer thread takes them the other way).
    std::vector<MControl*> children;
    {
        std::lock_guard guard(m_areasLock);
        children = m_areas;
    }
    {
        std::lock_guard guard(m_controlsLock);
        children.insert(children.end(), m_controls.begin(), m_controls.end());
    }
    for (MControl* c : children) c->PrepareDelete();
    if (m_manager) m_manager->ForgetControl(this);
}

void MControl::DestroyControl(MControl* ctrl) {
    if (!ctrl) return;
    ctrl->PrepareDelete();
    PaintManager* manager = ctrl->m_manager;
    if (manager && manager->DeferDelete(ctrl)) return;
    delete ctrl;
}

MControl* MControl::GetFocusControl() {
    std::lock_guard guard(m_controlsLock);
    for (MControl* c : m_controls)
        if (c->IsFocused()) return c;
    return nullptr;
}

MControl* MControl::GetNextFocusableControl() {
    std::lock_guard guard(m_controlsLock);
    auto focusable = [](MControl* c) { return c->IsVisible() && c->IsEnabled() && c->IsTabStop(); };
    auto focus = std::find_if(m_controls.begin(), m_controls.end(), [](MControl* c) { return c->IsFocused(); });
    if (focus != m_controls.end())
        for (auto it = focus + 1; it != m_controls.end(); ++it)
            if (focusable(*it)) return *it;
    for (MControl* c : m_controls)
        if (focusable(c)) return c;
    return nullptr;
}

MControl* MControl::GetPrevFocusableControl() {
    std::lock_guard guard(m_controlsLock);
    auto focusable = [](MControl* c) { return c->IsVisible() && c->IsEnabled() && c->IsTabStop(); };
    auto focus = std::find_if(m_controls.rbegin(), m_controls.rend(), [](MControl* c) { return c->IsFocused(); });
    if (focus != m_controls.rend())
        for (auto it = focus + 1; it != m_controls.rend(); ++it)
            if (focusable(*it)) return *it;
    for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it)
        if (focusable(*it)) return *it;
    return nullptr;
}

std::vector<MControl*> MControl::ChildSnapshot() {
    std::lock_guard guard(m_controlsLock);
    return m_controls;
}

bool MControl::HasChild(MControl* ctrl) {
    std::lock_guard guard(m_controlsLock);
    return std::find(m_controls.begin(), m_controls.end(), ctrl) != m_controls.end();
}

CPoint MControl::ChildPoint(const MControl* child, CPoint raw, CPoint shifted) {
    const unsigned id = child->GetControlID();
    return id == kVerticalScrollId || id == kHorizontalScrollId ? raw : shifted;
}

int MControl::OnMouseMove(unsigned flags, CPoint pt) {
    if (!IsVisible() || !GetRresponse()) return 0;
    const CPoint pt0 = pt;
    OnMousePointChange(pt);
    if (m_captured) {
        MControl* child = m_captured;
        const CPoint cp = ChildPoint(child, pt0, pt);
        if ((child->PtInRect(cp) && child->OnCheckMouseResponse(flags, cp)) || m_pressedInside)
            return child->OnMouseMove(flags, cp);
        m_captured = nullptr;
    }
    if (!GetTooltip().IsEmpty() && GetRect().PtInRect(pt0) && OnCheckMouseResponse(flags, pt) && m_manager &&
        m_manager->GetTooltipCtrlID() != m_id) {
        m_manager->SetTooltip(GetTooltip(), GetRect());
        m_manager->SetTooltipCtrlID(m_id);
    }
    OnControlSetCursor(flags, pt);
    int result = OnControlMouseMove(flags, pt);
    if (!m_pressedInside) {
        // No lock is held while a child handles the move: its handler may
        // change the lists (removed controls are freed only after the
        // message, so the snapshot stays valid).
        for (MControl* child : ChildSnapshot()) {
            const CPoint cp = ChildPoint(child, pt0, pt);
            const int handled = child->OnMouseMove(flags, cp);
            if (handled) result = handled;
            if (handled && HasChild(child) && child->PtInRect(cp)) m_captured = child;
        }
    }
    return m_captured ? 1 : result;
}

// The topmost visible, enabled and responsive child under the point, made
// the captured child so that the release and moves reach it; null when the
// press falls on this control itself.
MControl* MControl::CapturePressTarget(CPoint raw, CPoint shifted) {
    MControl* target = nullptr;
    std::lock_guard guard(m_controlsLock);
    for (MControl* child : m_controls) {
        const CPoint cp = ChildPoint(child, raw, shifted);
        if (child->PtInRect(cp) && child->IsVisible() && child->IsEnabled() && child->GetRresponse()) target = child;
    }
    m_captured = target;
    return target;
}

int MControl::OnLButtonDown(unsigned flags, CPoint pt) {
    if (!IsVisible() || !GetRresponse()) return 0;
    const CPoint pt0 = pt;
    OnMousePointChange(pt);
    m_pressedInside = GetRect().PtInRect(pt0);
    MControl* target = CapturePressTarget(pt0, pt);
    if (target) return target->OnLButtonDown(flags, ChildPoint(target, pt0, pt));
    if (m_manager && m_manager->GetFocusControl() != this) m_manager->SetFocusControl(this);
    return OnControlLButtonDown(flags, pt);
}

int MControl::OnLButtonUp(unsigned flags, CPoint pt) {
    const CPoint pt0 = pt;
    OnMousePointChange(pt);
    m_pressedInside = 0;
    if (MControl* child = m_captured) return child->OnLButtonUp(flags, ChildPoint(child, pt0, pt));
    return OnControlLButtonUp(flags, pt);
}

int MControl::OnLButtonDblClk(unsigned flags, CPoint pt) {
    const CPoint pt0 = pt;
    OnMousePointChange(pt);
    m_pressedInside = 0;
    if (MControl* child = m_captured) {
        const CPoint cp = ChildPoint(child, pt0, pt);
        const int handled = child->OnLButtonDblClk(flags, cp);
        if (!handled && !child->GetDblClk()) return child->OnLButtonDown(flags, cp);
        return handled;
    }
    return GetDblClk() ? OnControlLButtonDblClk(flags, pt) : OnControlLButtonDown(flags, pt);
}

int MControl::OnRButtonDown(unsigned flags, CPoint pt) {
    if (!IsVisible() || !GetRresponse()) return 0;
    const CPoint pt0 = pt;
    OnMousePointChange(pt);
    m_pressedInside = GetRect().PtInRect(pt0);
    MControl* target = CapturePressTarget(pt0, pt);
    if (target) return target->OnRButtonDown(flags, ChildPoint(target, pt0, pt));
    return OnControlRButtonDown(flags, pt);
}

int MControl::OnRButtonUp(unsigned flags, CPoint pt) {
    const CPoint pt0 = pt;
    OnMousePointChange(pt);
    m_pressedInside = 0;
    if (MControl* child = m_captured) return child->OnRButtonUp(flags, ChildPoint(child, pt0, pt));
    return OnControlRButtonUp(flags, pt);
}

int MControl::OnRButtonDblClk(unsigned flags, CPoint pt) {
    const CPoint pt0 = pt;
    OnMousePointChange(pt);
    m_pressedInside = 0;
    if (MControl* child = m_captured) {
        const CPoint cp = ChildPoint(child, pt0, pt);
        const int handled = child->OnRButtonDblClk(flags, cp);
        if (!handled && !child->GetDblClk()) return child->OnRButtonDown(flags, cp);
        return handled;
    }
    return GetDblClk() ? OnControlRButtonDblClk(flags, pt) : OnControlRButtonDown(flags, pt);
}

int MControl::OnScroll(int bar, unsigned dir, CPoint pt) {
    if (!IsVisible() || !GetRresponse() || !IsEnabled()) return 0;
    const CPoint pt0 = pt;
    OnMousePointChange(pt);
    if (MControl* child = m_captured) {
        const CPoint cp = ChildPoint(child, pt0, pt);
        if (child->PtInRect(cp) && child->OnCheckMouseResponse(0, cp) && child->OnScroll(bar, dir, cp)) return 1;
    }
    if (!GetRect().PtInRect(pt0)) return 0;
    if (OnControlScroll(bar, dir, pt)) return 1;
    for (MControl* child : ChildSnapshot()) {
        const CPoint cp = ChildPoint(child, pt0, pt);
        if (child->PtInRect(cp) && child->OnScroll(bar, dir, cp)) return 1;
    }
    return 0;
}

int MControl::OnKeyDown(unsigned key, unsigned repeat, unsigned flags) {
    if (!IsVisible() || !GetRresponse()) return 0;
    if (MControl* focused = GetFocusControl()) {
        if (focused->IsVisible() && focused->GetRresponse()) return focused->OnKeyDown(key, repeat, flags);
    }
    if (m_captured && m_captured->OnKeyDown(key, repeat, flags)) return 1;
    int handled = OnControlKeyDown(key, repeat, flags);
    if (!handled)
        for (MControl* child : ChildSnapshot())
            if ((handled = child->OnKeyDown(key, repeat, flags))) break;
    SendMessageW(CN_KEYDOWN, key, static_cast<long>(flags));
    return handled ? 1 : 0;
}

int MControl::OnTimer() {
    int any = OnControlTimer();
    std::lock_guard guard(m_controlsLock);
    for (size_t i = 0; i < m_controls.size(); ++i) {
        MControl* child = m_controls[i];
        if (child->IsRunTimer() && child->IsVisible() && child->OnTimer()) any = 1;
    }
    return any;
}

void MControl::Draw(HDC& hdc, CRect clip) {
    const CRect mine = GetRect();
    CRect overlap;
    if (!IsVisible() || !overlap.IntersectRect(mine, clip)) return;
    {
        std::lock_guard guard(m_areasLock);
        for (size_t i = 0; i < m_areas.size(); ++i) {
            CRect o;
            if (o.IntersectRect(mine, m_areas[i]->GetRect())) m_areas[i]->Draw(hdc, clip);
        }
    }
    DrawControl(hdc, clip);
    DrawSubControls(hdc, clip);
}

MCanvas* MControl::UpdateMemDC(HDC&, int w, int h) {
    m_update = 1;
    if (!m_memDC || m_memDC->Width() != w || m_memDC->Height() != h) m_memDC = std::make_unique<MCanvas>(w, h);
    return m_memDC.get();
}

MCanvas* MControl::UpdateAnimateDC(HDC&, int w, int h) {
    m_animate = 1;
    if (!m_animDC || m_animDC->Width() != w || m_animDC->Height() != h) m_animDC = std::make_unique<MCanvas>(w, h);
    return m_animDC.get();
}

void MControl::CopyBackgroundToCache(HDC& hdc) {
    if (!hdc || !m_memDC) return;
    const CRect mine = GetRect();
    m_memDC->CopyCanvas(*hdc, mine, CPoint(0, 0));
}

void MControl::DrawCacheToTarget(HDC& hdc, int frameIndex) {
    if (!hdc || !m_memDC) return;
    const CRect mine = GetRect();
    const CRect src(frameIndex * mine.Width(), 0, (frameIndex + 1) * mine.Width(), mine.Height());
    hdc->CopyCanvas(*m_memDC, src, mine.TopLeft());
}

void MControl::UpdateControl(int bUpdate, int force) {
    if ((IsVisible() || force) && m_parent) m_parent->OnControlUpdate(GetRect(), bUpdate, this);
}

void MControl::UpdateControl(CRect rc, int bUpdate, int force) {
    if ((IsVisible() || force) && m_parent) m_parent->OnControlUpdate(rc, bUpdate, this);
}

void MControl::UpdateAControl(int keepAnimation, int force) {
    if (!(IsVisible() || force)) return;
    m_animate = !keepAnimation;
    if (m_parent) m_parent->OnControlUpdate(GetRect(), 0, this);
}

void MControl::SetTooltip(const CString& text, CRect) {
    std::lock_guard guard(m_stateLock);
    m_tooltip = text;
}

void MControl::SetTooltip(const char16_t* text) {
    SetTooltip(CString(text), CRect());
}

CString MControl::GetTooltip() const {
    std::lock_guard guard(m_stateLock);
    return m_tooltip;
}

void MControl::ClearTooltip() {
    {
        std::lock_guard guard(m_stateLock);
        m_tooltip.Empty();
    }
    if (m_manager && m_manager->GetTooltipCtrlID() == m_id) m_manager->ClearTooltip();
}

void MControl::SetCursorEx(const char16_t* name) {
    static const struct {
        const char16_t* name;
        CursorKind kind;
    } kCursors[] = {{MCURSOR_ARROW, CursorKind::Arrow},   {MCURSOR_WAIT, CursorKind::Wait},
                    {MCURSOR_CROSS, CursorKind::Cross},   {MCURSOR_SIZEWE, CursorKind::SizeWE},
                    {MCURSOR_SIZENS, CursorKind::SizeNS}, {MCURSOR_HAND, CursorKind::Hand},
                    {MCURSOR_HELP, CursorKind::Help}};
    for (const auto& c : kCursors)
        if (c.name == name) m_cursor = static_cast<int>(c.kind);
}

long MControl::SendMessageW(unsigned msg, unsigned wParam, long lParam) {
    return m_parent ? m_parent->OnBaseMessage(m_id, msg, wParam, lParam) : 0;
}

void MControl::AddMTimer() {
    if (m_manager) m_manager->AddMTimer(this);
}

int MControl::PositionItem2Value(const FS_POSITION_ITEM& item, int lo, int hi) {
    switch (item.mode) {
        case 0:
            return item.fromEnd ? static_cast<int>(hi - item.value) : static_cast<int>(lo + item.value);
        case 1: {
            const int centre = lo + (hi - lo) / 2;
            return static_cast<int>(item.fromEnd ? centre - item.value : centre + item.value);
        }
        case 2:
            return std::min(hi, static_cast<int>(lo + (hi - lo) * item.value / 100));
        default:
            return 0;
    }
}
