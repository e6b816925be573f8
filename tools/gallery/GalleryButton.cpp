#include "tools/gallery/GalleryButton.h"

#include "ui/backend/MCanvas.h"

GalleryButton::GalleryButton(MObject* parent, unsigned id, CRect rect, const char16_t* title)
    : MControlFont(parent, id, rect, title) {
    m_hAlign = kAlignCenter;
    m_vAlign = kAlignVCenter;
    m_tabStop = 1;
}

void GalleryButton::SetState(int state) {
    if (state == m_state) return;
    m_state = state;
    UpdateControl(1, 0);
}

void GalleryButton::DrawControl(HDC& hdc, CRect) {
    const CRect rc = GetRect();
    if (!hdc || rc.IsRectEmpty()) return;
    if (!m_update) {
        MCanvas* cache = UpdateMemDC(hdc, rc.Width(), rc.Height());
        if (!cache || !cache->IsValid()) return;
        CopyBackgroundToCache(hdc);
        const ARGB face = !IsEnabled() ? 0xFF505050 : m_state == 2 ? kPressed : m_state == 1 ? kHover : kNormal;
        cache->FillRoundRect(0, 0, rc.Width(), rc.Height(), 6, 6, face);
        cache->DrawString(GetTitle(), CRect(0, 0, rc.Width(), rc.Height()), GetDrawFont(), GetTextColor(), m_hAlign,
                          m_vAlign);
    }
    DrawCacheToTarget(hdc);
}

int GalleryButton::OnControlMouseMove(unsigned flags, CPoint pt) {
    const bool inside = GetRect().PtInRect(pt);
    SetState(inside ? ((flags & MK_LBUTTON) ? 2 : 1) : 0);
    return 1;
}

int GalleryButton::OnControlLButtonDown(unsigned, CPoint) {
    SetState(2);
    SendMessageW(CN_PRESSED, 0, 0);
    return 1;
}

int GalleryButton::OnControlLButtonUp(unsigned, CPoint pt) {
    const bool inside = GetRect().PtInRect(pt);
    SetState(inside ? 1 : 0);
    if (inside) SendMessageW(CN_CLICKED, 0, 0);
    return 1;
}
