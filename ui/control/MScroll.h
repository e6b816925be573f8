// MScroll: the scroll bar a panel keeps along its right (vertical) or bottom
// (horizontal) edge: a position in 0..range, drawn as a track and a thumb.
// CScrollVertical and CScrollHorizontal fix the orientation.
#pragma once

#include "ui/control/MControlFont.h"

class MScroll : public MControlFont {
public:
    MScroll(MObject* parent, unsigned id, CRect rect, bool vertical, int visible = 1, int enabled = 1);
    [[nodiscard]] const char16_t* GetClassNameW() const override { return u"MScroll"; }

    void SetRange(int range);
    [[nodiscard]] int GetRange() const { return m_range; }
    // Clamped to 0..range; notifies CN_POS_CHANGED when it changed.
    void SetPos(int pos, bool notify = false);
    [[nodiscard]] int GetPos() const { return m_pos; }
    void SetStep(int step) { m_step = step > 0 ? step : 1; }
    [[nodiscard]] int GetStep() const { return m_step; }
    [[nodiscard]] bool IsVertical() const { return m_vertical; }
    // The thumb's rect for the current position and range.
    [[nodiscard]] CRect GetThumbRect() const;

    void DrawControl(HDC& hdc, CRect clip) override;
    int OnControlLButtonDown(unsigned flags, CPoint pt) override;
    int OnControlMouseMove(unsigned flags, CPoint pt) override;
    int OnControlLButtonUp(unsigned flags, CPoint pt) override;

private:
    [[nodiscard]] int PosFromPoint(CPoint pt) const;
    bool m_vertical = true;
    int m_range = 0;
    int m_pos = 0;
    int m_step = 40;
    bool m_dragging = false;
};

class CScrollVertical : public MScroll {
public:
    CScrollVertical(MObject* parent, unsigned id, CRect rect, int visible = 1, int enabled = 1)
        : MScroll(parent, id, rect, true, visible, enabled) {}
    [[nodiscard]] const char16_t* GetClassNameW() const override { return u"CScrollVertical"; }
};

class CScrollHorizontal : public MScroll {
public:
    CScrollHorizontal(MObject* parent, unsigned id, CRect rect, int visible = 1, int enabled = 1)
        : MScroll(parent, id, rect, false, visible, enabled) {}
    [[nodiscard]] const char16_t* GetClassNameW() const override { return u"CScrollHorizontal"; }
};
