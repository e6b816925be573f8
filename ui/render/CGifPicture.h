// CGifPicture: an animated picture. With the window's 10 ms animation timer
// it shows the next frame every fifth tick (20 frames a second, whatever
// delays the file gives); a one-frame image never animates.
#pragma once

#include "ui/control/MControlFont.h"

class CGifPicture : public MControlFont {
public:
    CGifPicture(MObject* parent, unsigned id, CRect rect, int visible = 1, int enabled = 1);
    [[nodiscard]] const char16_t* GetClassNameW() const override { return u"CGifPicture"; }

    void InitControl(PaintManager* manager) override;
    // The count is ignored; the image comes from the paint manager's cache.
    void SetImage(const char16_t* file, int count) override;
    using MControlFont::SetImage;
    // Only for images of more than one frame (else 0).
    int SetRunState(int play, int frame);
    void SetMouseMoveActive(bool active) { m_hoverPlay = active; }
    [[nodiscard]] int GetFrameCount() const { return m_frameCount; }
    [[nodiscard]] int GetCurrentFrame() const { return m_currentFrame; }
    [[nodiscard]] int IsPlaying() const { return m_playing; }

    void DrawControl(HDC& hdc, CRect clip) override;
    int OnControlTimer() override;
    int OnControlMouseMove(unsigned flags, CPoint pt) override;

protected:
    int ActiveNextFrame();
    void SelectActiveFrame(int frame);
    void OnSetImage(MImage* image);
    [[nodiscard]] int IsAnimate() const { return m_frameCount > 1; }

private:
    static constexpr int kTicksPerFrame = 5;
    int m_frameCount = 0;
    std::atomic<int> m_currentFrame{0};
    std::atomic<int> m_playing{0};
    bool m_hoverPlay = false;
    bool m_hoverInside = false;
    int m_ticks = 0;
};
