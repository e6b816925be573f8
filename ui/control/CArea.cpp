#include "ui/control/CArea.h"

#include "ui/backend/MCanvas.h"
#include "ui/render/MRender.h"

CArea::CArea(MObject* parent, unsigned id, CRect rect, int visible, int enabled)
    : MControl(parent, id, rect, visible, enabled, 1) {}

void CArea::SetTransparent(int startAlpha, int endAlpha, COLORREF color) {
    m_startAlpha = startAlpha;
    m_endAlpha = endAlpha;
    m_fill = color;
    UpdateControl(1, 0);
}

void CArea::SetFrame(int on, ARGB color, int) {
    m_frame = on;
    m_frameColor = color;
    UpdateControl(1, 0);
}

void CArea::DrawControl(HDC& hdc, CRect) {
    const CRect rc = GetRect();
    if (!hdc || rc.IsRectEmpty()) return;
    if (!m_update) {
        MCanvas* cache = UpdateMemDC(hdc, rc.Width(), rc.Height());
        if (!cache || !cache->IsValid()) return;
        CopyBackgroundToCache(hdc);
        const CRect local(0, 0, rc.Width(), rc.Height());
        if (m_startAlpha != 0 || m_endAlpha != 0) {
            MCanvas fill(rc.Width(), rc.Height());
            fill.ClearRect(local, ColorRefToArgb(m_fill));
            HDC dst = cache;
            HDC src = &fill;
            if (m_vertical)
                MRender::DrawVerticalTransition(dst, src, local, local, m_startAlpha, m_endAlpha);
            else
                MRender::DrawHorizontalTransition(dst, src, local, local, m_startAlpha, m_endAlpha);
        } else {
            cache->ClearRect(local, ColorRefToArgb(m_fill));
            if (m_frame) cache->DrawRect(local, m_frameColor);
        }
    }
    DrawCacheToTarget(hdc);
}
