#include "ui/control/MScroll.h"

#include <algorithm>

#include "ui/backend/MCanvas.h"

namespace {
constexpr int kMinThumb = 16;
constexpr ARGB kTrackColor = 0x40FFFFFF;
constexpr ARGB kThumbColor = 0xB0FFFFFF;
}  // namespace

MScroll::MScroll(MObject* parent, unsigned id, CRect rect, bool vertical, int visible, int enabled)
    : MControlFont(parent, id, rect, u"", visible, enabled, 1), m_vertical(vertical) {}

void MScroll::SetRange(int range) {
    m_range = std::max(0, range);
    m_pos = std::clamp(m_pos, 0, m_range);
}

void MScroll::SetPos(int pos, bool notify) {
    pos = std::clamp(pos, 0, m_range);
    if (pos == m_pos) return;
    m_pos = pos;
    UpdateControl(1, 0);
    if (notify) SendMessageW(CN_POS_CHANGED, static_cast<unsigned>(m_pos), 0);
}

CRect MScroll::GetThumbRect() const {
    const CRect rc = GetRect();
    const int length = m_vertical ? rc.Height() : rc.Width();
    const int thumb = m_range > 0 ? std::max(kMinThumb, length * length / (length + m_range)) : length;
    const int travel = std::max(0, length - thumb);
    const int offset = m_range > 0 ? travel * m_pos / m_range : 0;
    return m_vertical ? CRect(rc.left, rc.top + offset, rc.right, rc.top + offset + thumb)
                      : CRect(rc.left + offset, rc.top, rc.left + offset + thumb, rc.bottom);
}

int MScroll::PosFromPoint(CPoint pt) const {
    const CRect rc = GetRect();
    const int length = m_vertical ? rc.Height() : rc.Width();
    const int at = m_vertical ? pt.y - rc.top : pt.x - rc.left;
    return length > 0 ? m_range * at / length : 0;
}

void MScroll::DrawControl(HDC& hdc, CRect) {
    if (!hdc) return;
    const CRect rc = GetRect();
    hdc->FillRect(rc, kTrackColor);
    const CRect thumb = GetThumbRect();
    const double radius = (m_vertical ? thumb.Width() : thumb.Height()) / 2.0;
    hdc->FillRoundRect(thumb.left, thumb.top, thumb.Width(), thumb.Height(), radius, radius, kThumbColor);
}

int MScroll::OnControlLButtonDown(unsigned, CPoint pt) {
    m_dragging = true;
    SetPos(PosFromPoint(pt), true);
    return 1;
}

int MScroll::OnControlMouseMove(unsigned, CPoint pt) {
    if (m_dragging) SetPos(PosFromPoint(pt), true);
    return m_dragging ? 1 : 0;
}

int MScroll::OnControlLButtonUp(unsigned, CPoint) {
    m_dragging = false;
    return 1;
}
