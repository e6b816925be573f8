// Geometry types of the toolkit: CPoint, CSize and CRect.
// A CRect's right and bottom edges are exclusive, so Width() = right - left
// and a point on the right edge is outside.
#pragma once

#include <algorithm>
#include <cstdint>

struct CPoint {
    int32_t x = 0;
    int32_t y = 0;
    constexpr CPoint() = default;
    constexpr CPoint(int32_t px, int32_t py) : x(px), y(py) {}
    friend constexpr bool operator==(const CPoint&, const CPoint&) = default;
    constexpr CPoint operator+(const CPoint& o) const { return {x + o.x, y + o.y}; }
    constexpr CPoint operator-(const CPoint& o) const { return {x - o.x, y - o.y}; }
};

struct CSize {
    int32_t cx = 0;
    int32_t cy = 0;
    constexpr CSize() = default;
    constexpr CSize(int32_t w, int32_t h) : cx(w), cy(h) {}
    friend constexpr bool operator==(const CSize&, const CSize&) = default;
};

struct CRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    constexpr CRect() = default;
    constexpr CRect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}
    constexpr CRect(CPoint topLeft, CSize size)
        : left(topLeft.x), top(topLeft.y), right(topLeft.x + size.cx), bottom(topLeft.y + size.cy) {}
    friend constexpr bool operator==(const CRect&, const CRect&) = default;

    [[nodiscard]] constexpr int32_t Width() const { return right - left; }
    [[nodiscard]] constexpr int32_t Height() const { return bottom - top; }
    [[nodiscard]] constexpr CSize Size() const { return {Width(), Height()}; }
    [[nodiscard]] constexpr CPoint TopLeft() const { return {left, top}; }
    [[nodiscard]] constexpr CPoint BottomRight() const { return {right, bottom}; }
    [[nodiscard]] constexpr CPoint CenterPoint() const { return {(left + right) / 2, (top + bottom) / 2}; }
    // Empty when it has no area (also when inverted).
    [[nodiscard]] constexpr bool IsRectEmpty() const { return right <= left || bottom <= top; }
    [[nodiscard]] constexpr bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    [[nodiscard]] constexpr bool PtInRect(CPoint p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    constexpr void SetRect(int32_t l, int32_t t, int32_t r, int32_t b) { *this = CRect(l, t, r, b); }
    constexpr void SetRectEmpty() { *this = CRect(); }
    constexpr void OffsetRect(int32_t dx, int32_t dy) { left += dx, right += dx, top += dy, bottom += dy; }
    constexpr void OffsetRect(CPoint d) { OffsetRect(d.x, d.y); }
    constexpr void InflateRect(int32_t dx, int32_t dy) { left -= dx, right += dx, top -= dy, bottom += dy; }
    constexpr void DeflateRect(int32_t dx, int32_t dy) { InflateRect(-dx, -dy); }
    constexpr void MoveToXY(int32_t x, int32_t y) { OffsetRect(x - left, y - top); }
    // Intersection; an empty result is set to all zeros, as the system does.
    constexpr bool IntersectRect(const CRect& a, const CRect& b) {
        CRect r(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom));
        if (r.IsRectEmpty()) r = CRect();
        *this = r;
        return !r.IsRectEmpty();
    }
    // Smallest rectangle holding both; an empty operand is ignored.
    constexpr bool UnionRect(const CRect& a, const CRect& b) {
        if (a.IsRectEmpty()) *this = b.IsRectEmpty() ? CRect() : b;
        else if (b.IsRectEmpty()) *this = a;
        else
            *this = CRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                          std::max(a.bottom, b.bottom));
        return !IsRectEmpty();
    }
};
