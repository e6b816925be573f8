// MCanvas: the toolkit's drawing surface (the role of device contexts,
// memory bitmaps and graphics objects), an ARGB32 image of the back end.
// Colours are unpremultiplied ARGB; coordinates are integer pixels with
// right and bottom edges exclusive, as CRect.
//
// Index: life and pixels; state (clip, origin); fills and lines; shapes;
// images and blits; gradients and transitions; text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ui/backend/MFont.h"
#include "ui/base/CString.h"
#include "ui/core/Types.h"

class MImage;

// Text layout flags of DrawString/MeasureString.
enum : unsigned {
    kTextNoWrap = 0x1000,    // one line, never wrapped
    kTextNoClip = 0x4000,    // may draw outside the rect
    kTextEllipsis = 0x8000,  // cut with "..." when too long
    kTextWordWrap = 0x0800,  // wrap at words inside the rect width
};
// Horizontal (0 left, 1 centre, 2 right) and vertical (0 top, 4 centre,
// 8 bottom) alignment values.
enum : unsigned {
    kAlignLeft = 0,
    kAlignCenter = 1,
    kAlignRight = 2,
    kAlignTop = 0,
    kAlignVCenter = 4,
    kAlignBottom = 8
};

class MCanvas {
public:
    // A new canvas of that size, fully transparent.
    MCanvas(int width, int height);
    // A canvas over caller-owned 32-bit pixels (stride in bytes).
    MCanvas(uint32_t* pixels, int width, int height, int stride);
    ~MCanvas();
    MCanvas(const MCanvas&) = delete;
    MCanvas& operator=(const MCanvas&) = delete;

    [[nodiscard]] bool IsValid() const noexcept { return m_cr != nullptr; }
    [[nodiscard]] int Width() const noexcept { return m_width; }
    [[nodiscard]] int Height() const noexcept { return m_height; }
    [[nodiscard]] CRect Bounds() const noexcept { return {0, 0, m_width, m_height}; }
    // Finishes pending drawing; afterwards Pixels() may be read or written.
    void Flush();
    [[nodiscard]] uint32_t* Pixels();
    [[nodiscard]] int Stride() const noexcept;
    // Marks pixels written through Pixels() as changed.
    void MarkDirty();
    // Unpremultiplied ARGB at (x, y); 0 outside.
    [[nodiscard]] uint32_t GetPixel(int x, int y);
    bool SavePng(const std::string& utf8Path);

    // State: a stack of clip rects and origins.
    void Save();
    void Restore();
    void IntersectClip(const CRect& rc);
    void Translate(int dx, int dy);

    // Fills. FillRect blends (source over); ClearRect replaces the pixels.
    void FillRect(const CRect& rc, ARGB color);
    void ClearRect(const CRect& rc, ARGB color = 0);
    void DrawLine(double x1, double y1, double x2, double y2, ARGB color, double width = 1.0);
    // A 1-pixel frame just inside rc (width pixels thick); dash > 0 gives
    // dashes of that length.
    void DrawRect(const CRect& rc, ARGB color, double width = 1.0, double dash = 0.0);

    // Shapes in floating coordinates.
    void FillEllipse(double x, double y, double w, double h, ARGB color);
    void DrawEllipse(double x, double y, double w, double h, ARGB color, double width = 1.0);
    // Corner arcs with separate horizontal and vertical radii.
    void FillRoundRect(double x, double y, double w, double h, double rx, double ry, ARGB color);
    void DrawRoundRect(double x, double y, double w, double h, double rx, double ry, ARGB color, double width);
    void FillPolygon(const CPoint* points, int count, ARGB color);

    // Images: the source rect of the image's active frame stretched into dst.
    void DrawImage(const MImage* image, const CRect& dst, const CRect& src, double alpha = 1.0);
    void DrawImage(const MImage* image, const CRect& dst, double alpha = 1.0);
    // Another canvas: src rect scaled into dst, blended (source over).
    void DrawCanvas(MCanvas& source, const CRect& dst, const CRect& src, double alpha = 1.0);
    // Replaces the pixels of dst with the source's (a plain copy).
    void CopyCanvas(MCanvas& source, const CRect& src, CPoint dst);

    // Linear gradient from c1 to c2 (top to bottom when vertical).
    void FillGradient(const CRect& rc, ARGB c1, ARGB c2, bool vertical);
    // Blends src over this canvas line by line (rows when vertical) with a
    // constant alpha per line running linearly from alphaStart to alphaEnd.
    void DrawTransition(MCanvas& source, const CRect& dst, const CRect& src, int alphaStart, int alphaEnd,
                        bool vertical);

    // Text in rc with alignment and flags; nothing for empty text.
    void DrawString(const CString& text, const CRect& rc, const MFont& font, ARGB color, unsigned hAlign,
                    unsigned vAlign, unsigned flags = kTextNoWrap);
    // Size of the laid-out text (maxWidth <= 0: no width limit).
    [[nodiscard]] CSize MeasureString(const CString& text, const MFont& font, int maxWidth = 0,
                                      unsigned flags = kTextNoWrap);

    // Back-end surface (a cairo_surface_t*).
    [[nodiscard]] void* Surface() const noexcept { return m_surface; }

private:
    void SetColor(ARGB color);
    void RoundRectPath(double x, double y, double w, double h, double rx, double ry);
    void* m_surface = nullptr;
    void* m_cr = nullptr;
    int m_width = 0;
    int m_height = 0;
};
