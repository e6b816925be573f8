// MRender: the drawing operations controls use, on the toolkit's canvas.
// Colours are ARGB (0xAARRGGBB) or COLORREF (0x00BBGGRR) as each operation
// says.
#pragma once

#include <memory>

#include "ui/backend/MCanvas.h"
#include "ui/base/CString.h"
#include "ui/core/Types.h"

class MImage;

class MRender {
public:
    MRender() = delete;

    [[nodiscard]] static std::unique_ptr<MImage> LoadImageFromFile(const CString& path);
    // Resources are PNG files named by id under the skin's res/ folder.
    [[nodiscard]] static std::unique_ptr<MImage> LoadImageFromIDResource(unsigned id, const CString& type);
    // Pure black (RGB 0) becomes RGB(0, 0, 1): black marks undrawn pixels.
    static void CheckAlphaColor(DWORD& argb);
    static void FillSolidRect(HDC& hdc, const RECT* rc, COLORREF color);
    static void FillSolidRect(HDC& hdc, int x, int y, int w, int h, COLORREF color);
    // Blends src over dst line by line; a and b are transparency percentages
    // at the first and the last line (alpha = (100 - t) % of 255). Returns
    // the last alpha.
    static int DrawVerticalTransition(HDC& dst, HDC& src, const CRect& dstRc, const CRect& srcRc, int a, int b);
    static int DrawHorizontalTransition(HDC& dst, HDC& src, const CRect& dstRc, const CRect& srcRc, int a, int b);
    // Fades the bottom-right size x size corner of rc towards the colour.
    static void DrawRightBottomTransition(HDC& dst, HDC& src, const CRect& rc, int size, COLORREF color);
    // Nine-patch from the sub-image (sx, sy, sw, sh) with one corner size.
    static void DrawImageFrame(HDC& hdc, const MImage* image, const CRect& dst, int sx, int sy, int sw, int sh,
                               int corner);
    static void DrawImageFrameMID(HDC& hdc, const MImage* image, const CRect& dst, int sx, int sy, int sw, int sh,
                                  int left, int top, int right, int bottom);
    [[nodiscard]] static std::unique_ptr<MCanvas> CreateARGB32Bitmap(int w, int h);
    static void BitBlt(HDC& dst, int x, int y, int w, int h, HDC& src, int sx, int sy);
    [[nodiscard]] static CSize GetTextBounds(const MFont& font, const CString& text, unsigned flags = kTextNoWrap,
                                             int maxWidth = 0);
    [[nodiscard]] static CPoint GetOriginPoint(int w, int h, int cw, int ch, unsigned hAlign, unsigned vAlign);
    [[nodiscard]] static CPoint GetOriginPoint(const CRect& rc, int cw, int ch, unsigned hAlign, unsigned vAlign);
    // Text with a transparent background; format: alignment and kText flags.
    static void DrawTextW(HDC hdc, CRect& rc, const char16_t* text, COLORREF color, const MFont& font, unsigned format);
    // Text of a control: its alignment values and one line (kTextNoWrap)
    // or wrapped lines (kTextWordWrap).
    static void DrawString(HDC hdc, const CString& text, const CRect& rc, const MFont& font, ARGB color,
                           unsigned hAlign, unsigned vAlign, unsigned flags = kTextNoWrap);
    static void DrawColor(HDC hdc, const RECT& rc, DWORD argb);
    static void DrawGradient(HDC hdc, const RECT& rc, DWORD argb1, DWORD argb2, bool vertical, int steps);
    static void DrawRectangle(HDC&, const CRect&, int, int, int) {}
    // Outline (and fill) with corner radii w / r / 2 and h / r / 2.
    static void DrawRoundRectange(HDC hdc, float x, float y, float w, float h, float r, ARGB border, float width,
                                  bool fill, ARGB fillColor);
    // Filled with corner radius r.
    static void DrawRoundRectange(HDC hdc, float x, float y, float w, float h, float r, ARGB fill);
    // Writes a 24-bit BMP of the canvas; returns success.
    static bool SaveBitmapToFile(MCanvas& canvas, const CString& path);
};
