// GalleryButton: a plain push button drawn with the canvas, standing in for
// the toolkit's skinned buttons in the gallery: CN_PRESSED on the press,
// CN_CLICKED on a release inside.
#pragma once

#include "ui/control/MControlFont.h"

class GalleryButton : public MControlFont {
public:
    GalleryButton(MObject* parent, unsigned id, CRect rect, const char16_t* title);
    [[nodiscard]] const char16_t* GetClassNameW() const override { return u"GalleryButton"; }

    void DrawControl(HDC& hdc, CRect clip) override;
    int OnControlMouseMove(unsigned flags, CPoint pt) override;
    int OnControlLButtonDown(unsigned flags, CPoint pt) override;
    int OnControlLButtonUp(unsigned flags, CPoint pt) override;

    // Face colours of the normal, hover and pressed states.
    static constexpr ARGB kNormal = 0xFF285055;
    static constexpr ARGB kHover = 0xFF3A7A82;
    static constexpr ARGB kPressed = 0xFF1B3A3E;

private:
    void SetState(int state);
    int m_state = 0;
};
