// MPanel: a scrolling container. Its content may be larger than the panel
// (the virtual size, set by derived classes); its two scroll bars (ids 1 and
// 2) are its own foreground children along the right and bottom edges.
// Children's notifications pass through unchanged to the owner.
#pragma once

#include "ui/control/MControlFont.h"

class MScroll;
class CScrollVertical;
class CScrollHorizontal;

class MPanel : public MControlFont {
public:
    MPanel(MObject* parent, unsigned id, CRect rect, const char16_t* title = u"", int visible = 1, int enabled = 1);
    [[nodiscard]] const char16_t* GetClassNameW() const override { return u"MPanel"; }

    void InitControl(PaintManager* manager) override;
    void DrawControl(HDC&, CRect) override {}
    void DrawSubControls(HDC& hdc, CRect clip) override;
    void SetControlRect(CRect rc) override;
    void SetControlVisible(int visible) override;
    void SetControlEnabled(int enabled) override;
    int OnMousePointChange(CPoint& pt) override;
    int OnCheckMouseResponse(unsigned, CPoint) override { return 1; }
    int OnControlScroll(int bar, unsigned dir, CPoint pt) override;
    int OnWindowMessage(unsigned msg, WPARAM wParam, LPARAM lParam) override;
    long OnBaseMessage(unsigned ctrlId, unsigned msg, unsigned wParam, long lParam) override;
    long OnMessage(unsigned ctrlId, unsigned msg, unsigned wParam, long lParam) override;
    int OnControlUpdate(CRect rc, int bUpdate, MControl* ctrl) override;

    // Factory into the panel's own lists, with the panel's manager.
    virtual MControl* CreateControl(const char16_t* cls, unsigned id, CRect rc, const char16_t* text, int visible = 1,
                                    int enabled = 1);
    virtual MControl* CreateArea(const char16_t* cls, unsigned id, CRect rc, const char16_t* text, int visible = 1,
                                 int enabled = 1);
    virtual MControl* CreateControl(unsigned kind, MObject* parent, const char16_t* cls, unsigned id, CRect rc,
                                    const char16_t* text, int visible, int enabled);

    [[nodiscard]] CScrollVertical* GetScrollVertical() const { return m_vScroll; }
    [[nodiscard]] CScrollHorizontal* GetScrollHorizontal() const { return m_hScroll; }
    void SetVirtualHeight(int h);
    void SetVirtualWidth(int w);
    [[nodiscard]] int GetVirtualHeight() const { return m_virtualHeight; }
    [[nodiscard]] int GetVirtualWidth() const { return m_virtualWidth; }
    void SetEnableScroll(int enable) { m_scrollEnabled = enable; }
    [[nodiscard]] int GetEnableScroll() const { return m_scrollEnabled; }
    // Content offsets from the bars' positions.
    [[nodiscard]] int GetScrollOffsetY() const;
    [[nodiscard]] int GetScrollOffsetX() const;

protected:
    void LayoutScrollBars();

    int m_initialised = 0;
    CScrollVertical* m_vScroll = nullptr;
    CScrollHorizontal* m_hScroll = nullptr;
    int m_scrollThickness = 7;
    int m_virtualHeight = 0;
    int m_virtualWidth = 0;
    int m_scrollEnabled = 1;
};
