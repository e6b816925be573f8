// CArea: a painted rectangle that holds children: a fill blended over the
// background with an alpha transition, or an opaque fill with a frame.
#pragma once

#include "ui/control/MControl.h"

class CArea : public MControl {
public:
    CArea(MObject* parent, unsigned id, CRect rect, int visible = 1, int enabled = 1);
    [[nodiscard]] const char16_t* GetClassNameW() const override { return u"CArea"; }

    // Transparency percentages at the start and the end (0 = opaque).
    void SetTransparent(int startAlpha, int endAlpha, COLORREF color);
    void SetFrame(int on, ARGB color, int = 0);
    void SetOrientation(int vertical) { m_vertical = vertical; }
    void DrawControl(HDC& hdc, CRect clip) override;

private:
    int m_vertical = 1;
    int m_startAlpha = 80;
    int m_endAlpha = 80;
    COLORREF m_fill = 0xFFFFFF;
    int m_frame = 0;
    ARGB m_frameColor = 0xFF050505;
};
