// MShadow: the parameters of a window's soft drop shadow (size, sharpness,
// darkness, offset, colour, or a nine-patch image with its corner sizes).
//
// Drawing the shadow needs a click-through translucent window that follows
// its parent; SDL offers none portably, so on this platform the shadow is
// not drawn: the setters check and keep their values (and CopyShadow copies
// them) so that callers behave the same, and Create and ShowShadow only
// record the state.
#pragma once

#include <cstdint>

#include "ui/base/CString.h"
#include "ui/core/Types.h"

class PaintManager;

class MShadow {
public:
    // Status bits.
    enum : unsigned { kEnabled = 1, kShown = 2, kParentVisible = 4 };

    static void Initialize(void* module = nullptr, bool force = false);
    void Create(PaintManager* manager);
    void ShowShadow(int show) { m_show = show != 0; }
    [[nodiscard]] int IsShowShadow() const { return m_show; }
    void DisableShadow(int disable) { m_disabled = disable != 0; }
    [[nodiscard]] int IsDisableShadow() const { return m_disabled; }

    // Out of range: 0 and no change.
    int SetSize(int size);             // -35..35
    int SetSharpness(unsigned value);  // 0..35
    int SetDarkness(unsigned value);   // 0..255
    int SetPosition(int x, int y);     // each -35..35
    int SetColor(COLORREF color);
    int SetImage(const char16_t* file);
    int SetImage(unsigned pngResId);
    // Rejects negative corner sizes.
    int SetShadowCorner(CRect corners);
    void CopyShadow(MShadow* other) const;

    [[nodiscard]] int GetSize() const { return m_size; }
    [[nodiscard]] unsigned GetSharpness() const { return m_sharpness; }
    [[nodiscard]] unsigned GetDarkness() const { return m_darkness; }
    [[nodiscard]] CPoint GetPosition() const { return {m_x, m_y}; }
    [[nodiscard]] COLORREF GetColor() const { return m_color; }
    [[nodiscard]] unsigned GetStatus() const { return m_status; }
    // Whether a shadow would be drawn (an image, or a non-zero size).
    [[nodiscard]] bool HasShadow() const;
    // Premultiplies each channel by alpha / 255.
    [[nodiscard]] static uint32_t PreMultiply(COLORREF color, uint8_t alpha);

private:
    PaintManager* m_manager = nullptr;
    unsigned m_status = 0;
    bool m_show = false;
    bool m_disabled = false;
    bool m_imageMode = false;
    CString m_imageFile;
    unsigned m_imageResId = 0;
    uint8_t m_darkness = 150;
    uint8_t m_sharpness = 5;
    int8_t m_size = 0;
    int8_t m_x = 5;
    int8_t m_y = 5;
    COLORREF m_color = 0;
    CRect m_corners;
};
