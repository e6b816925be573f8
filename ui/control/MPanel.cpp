#include "ui/control/MPanel.h"

#include <algorithm>

#include "ui/control/MScroll.h"
#include "ui/core/PaintManager.h"

MPanel::MPanel(MObject* parent, unsigned id, CRect rect, const char16_t* title, int visible, int enabled)
    : MControlFont(parent, id, rect, title, visible, enabled, 1) {
    m_dblClk = 1;
    m_vScroll = new CScrollVertical(this, kVerticalScrollId, rect, 0, 1);
    m_hScroll = new CScrollHorizontal(this, kHorizontalScrollId, rect, 0, 1);
    AddControl(m_vScroll);
    AddControl(m_hScroll);
    LayoutScrollBars();
}

void MPanel::InitControl(PaintManager* manager) {
    MControlFont::InitControl(manager);
    m_vScroll->SetManager(manager);
    m_hScroll->SetManager(manager);
    m_initialised = 1;
}

void MPanel::LayoutScrollBars() {
    const CRect rc = GetRect();
    m_vScroll->SetControlRect(CRect(rc.right - m_scrollThickness, rc.top, rc.right, rc.bottom));
    m_hScroll->SetControlRect(CRect(rc.left, rc.bottom - m_scrollThickness, rc.right, rc.bottom));
    m_vScroll->SetControlVisible(rc.Height() < m_virtualHeight);
    m_hScroll->SetControlVisible(rc.Width() < m_virtualWidth);
    m_vScroll->SetRange(m_virtualHeight);
    m_hScroll->SetRange(m_virtualWidth);
}

void MPanel::SetControlRect(CRect rc) {
    MControlFont::SetControlRect(rc);
    m_virtualHeight = 0;
    m_virtualWidth = 0;
    LayoutScrollBars();
    m_vScroll->UpdateControl(1, 0);
    m_hScroll->UpdateControl(1, 0);
}

void MPanel::SetVirtualHeight(int h) {
    m_virtualHeight = std::max(0, h);
    LayoutScrollBars();
}

void MPanel::SetVirtualWidth(int w) {
    m_virtualWidth = std::max(0, w);
    LayoutScrollBars();
}

int MPanel::GetScrollOffsetY() const {
    const int range = m_vScroll->GetRange();
    const int extra = m_virtualHeight - GetRect().Height();
    if (!m_scrollEnabled || range == 0 || extra <= 0) return 0;
    return extra * m_vScroll->GetPos() / range;
}

int MPanel::GetScrollOffsetX() const {
    const int range = m_hScroll->GetRange();
    const int extra = m_virtualWidth - GetRect().Width();
    if (!m_scrollEnabled || range == 0 || extra <= 0) return 0;
    return extra * m_hScroll->GetPos() / range;
}

int MPanel::OnMousePointChange(CPoint& pt) {
    pt.x += GetScrollOffsetX();
    pt.y += GetScrollOffsetY();
    return 1;
}

int MPanel::OnControlScroll(int, unsigned dir, CPoint) {
    if (!m_scrollEnabled || m_virtualHeight < GetRect().Height()) return 0;
    const int before = m_vScroll->GetPos();
    const int step = m_vScroll->GetStep();
    m_vScroll->SetPos(before + (dir == 1 ? step : -step));
    if (m_vScroll->GetPos() != before) {
        UpdateControl(1, 0);
        m_vScroll->UpdateControl(1, 0);
    }
    return 1;
}

void MPanel::DrawSubControls(HDC& hdc, CRect clip) {
    const CRect rc = GetRect();
    const bool fits = m_virtualHeight <= rc.Height() && m_virtualWidth <= rc.Width();
    if (!m_scrollEnabled || fits) MControlFont::DrawSubControls(hdc, clip);
}

void MPanel::SetControlVisible(int visible) {
    MControlFont::SetControlVisible(visible);
    SetControlWndVisible(visible);
}

void MPanel::SetControlEnabled(int enabled) {
    MControlFont::SetControlEnabled(enabled);
    for (MControl* child : ChildSnapshot()) {
        child->SetControlEnabled(enabled);
        if (child->IsVisible()) child->UpdateControl(1, 0);
    }
}

int MPanel::OnWindowMessage(unsigned msg, WPARAM wParam, LPARAM lParam) {
    for (MControl* child : ChildSnapshot())
        if (child->OnWindowMessage(msg, wParam, lParam)) return 1;
    return 0;
}

long MPanel::OnBaseMessage(unsigned ctrlId, unsigned msg, unsigned wParam, long lParam) {
    return OnMessage(ctrlId, msg, wParam, lParam);
}

long MPanel::OnMessage(unsigned ctrlId, unsigned msg, unsigned wParam, long lParam) {
    return m_parent ? m_parent->OnBaseMessage(ctrlId, msg, wParam, lParam) : 0;
}

int MPanel::OnControlUpdate(CRect rc, int bUpdate, MControl* ctrl) {
    if (m_manager && !m_manager->IsUiThread()) {
        m_manager->QueueUpdate(this, rc, bUpdate, ctrl);
        return 1;
    }
    if (ctrl && bUpdate) ctrl->SetUpdate(0);
    CRect area = rc;
    if (m_initialised) {
        bool met = false;
        std::lock_guard guard(m_controlsLock);
        for (MControl* c : m_controls) {
            if (c == ctrl) {
                met = true;
                continue;
            }
            CRect o;
            if (!met || !c->IsVisible() || !o.IntersectRect(c->GetRect(), rc)) continue;
            c->SetUpdate(0);
            area.UnionRect(area, c->GetRect());
        }
    }
    area.OffsetRect(-GetScrollOffsetX(), -GetScrollOffsetY());
    CRect inside;
    inside.IntersectRect(area, GetRect());
    if (m_parent)
        m_parent->OnControlUpdate(inside.IsRectEmpty() ? GetRect() : inside, 0, this);
    else if (m_manager)
        m_manager->InvalidateRect(inside, 0);
    return 1;
}

MControl* MPanel::CreateControl(const char16_t* cls, unsigned id, CRect rc, const char16_t* text, int visible,
                                int enabled) {
    return CreateControl(1, this, cls, id, rc, text, visible, enabled);
}

MControl* MPanel::CreateArea(const char16_t* cls, unsigned id, CRect rc, const char16_t* text, int visible,
                             int enabled) {
    return CreateControl(0, this, cls, id, rc, text, visible, enabled);
}

MControl* MPanel::CreateControl(unsigned kind, MObject* parent, const char16_t* cls, unsigned id, CRect rc,
                                const char16_t* text, int visible, int enabled) {
    MControl* ctrl = PaintManager::MakeControl(cls, parent, id, rc, text, visible, enabled, true);
    if (!ctrl) return nullptr;
    ctrl->SetManager(m_manager);
    if (kind == 0)
        AddArea(ctrl);
    else if (kind == 1)
        AddControl(ctrl);
    return ctrl;
}
