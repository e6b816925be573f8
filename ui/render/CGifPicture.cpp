#include "ui/render/CGifPicture.h"

#include "ui/backend/MCanvas.h"
#include "ui/backend/MImage.h"
#include "ui/core/PaintManager.h"

CGifPicture::CGifPicture(MObject* parent, unsigned id, CRect rect, int visible, int enabled)
    : MControlFont(parent, id, rect, u"", visible, enabled, 1) {
    m_runTimer = 1;
}

void CGifPicture::InitControl(PaintManager* manager) {
    MControlFont::InitControl(manager);
    if (manager) AddMTimer();
}

void CGifPicture::SetImage(const char16_t* file, int) {
    MControlFont::SetImage(file, 4);
    OnSetImage(m_image);
}

void CGifPicture::OnSetImage(MImage* image) {
    m_frameCount = image ? image->GetFrameCount() : 0;
    m_currentFrame = 0;
    m_playing = 0;
    m_ticks = 0;
}

int CGifPicture::SetRunState(int play, int frame) {
    if (m_frameCount <= 1) return 0;
    m_currentFrame = frame >= 0 && frame < m_frameCount ? frame : 0;
    m_playing = play != 0;
    UpdateControl(0, 0);
    return 1;
}

int CGifPicture::ActiveNextFrame() {
    if (m_frameCount <= 1) return 0;
    m_currentFrame = (m_currentFrame + 1) % m_frameCount;
    return 1;
}

void CGifPicture::SelectActiveFrame(int frame) {
    if (m_image) m_image->SelectActiveFrame(frame);
}

int CGifPicture::OnControlTimer() {
    if (!m_playing || !IsVisible() || !IsAnimate()) return 0;
    if (++m_ticks % kTicksPerFrame != 0) return 0;
    ActiveNextFrame();
    UpdateControl(1, 0);
    return 0;
}

int CGifPicture::OnControlMouseMove(unsigned, CPoint pt) {
    if (!m_hoverPlay || !IsEnabled() || m_pressedInside || !IsAnimate()) return 0;
    const bool inside = GetRect().PtInRect(pt);
    if (inside == m_hoverInside) return 0;
    m_hoverInside = inside;
    SetRunState(inside ? 1 : 0, 0);
    if (!inside) UpdateControl(1, 0);
    return 0;
}

void CGifPicture::DrawControl(HDC& hdc, CRect) {
    const CRect rc = GetRect();
    if (!hdc || rc.IsRectEmpty()) return;
    if (!m_update) {
        MCanvas* cache = UpdateMemDC(hdc, rc.Width(), rc.Height());
        if (!cache || !cache->IsValid()) return;
        CopyBackgroundToCache(hdc);
        if (m_image) {
            const int frame = m_currentFrame;
            if (IsAnimate() && frame < m_frameCount) SelectActiveFrame(frame);
            cache->DrawImage(m_image, CRect(0, 0, rc.Width(), rc.Height()));
        }
    }
    DrawCacheToTarget(hdc);
}
