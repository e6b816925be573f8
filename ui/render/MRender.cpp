#include "ui/render/MRender.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "ui/backend/MImage.h"
#include "ui/core/SkinPath.h"

std::unique_ptr<MImage> MRender::LoadImageFromFile(const CString& path) {
    return MImage::FromFile(path.ToUtf8());
}

std::unique_ptr<MImage> MRender::LoadImageFromIDResource(unsigned id, const CString& type) {
    CString t = type;
    return MImage::FromFile(skin::SkinPath(CString(u"res/") + CString::FromInt(id) + u"." + t.MakeLower()));
}

void MRender::CheckAlphaColor(DWORD& argb) {
    if ((argb & 0x00FFFFFF) == 0) argb += 1;
}

void MRender::FillSolidRect(HDC& hdc, const RECT* rc, COLORREF color) {
    if (hdc && rc) hdc->ClearRect(*rc, ColorRefToArgb(color));
}

void MRender::FillSolidRect(HDC& hdc, int x, int y, int w, int h, COLORREF color) {
    const CRect rc(x, y, x + w, y + h);
    FillSolidRect(hdc, &rc, color);
}

namespace {

int TransparencyToAlpha(int percent) {
    return (100 - std::clamp(percent, 0, 100)) * 255 / 100;
}

int Transition(HDC& dst, HDC& src, const CRect& dstRc, const CRect& srcRc, int a, int b, bool vertical) {
    const int first = TransparencyToAlpha(a);
    const int last = TransparencyToAlpha(b);
    if (dst && src) dst->DrawTransition(*src, dstRc, srcRc, first, last, vertical);
    return last;
}

}  // namespace

int MRender::DrawVerticalTransition(HDC& dst, HDC& src, const CRect& dstRc, const CRect& srcRc, int a, int b) {
    return Transition(dst, src, dstRc, srcRc, a, b, true);
}

int MRender::DrawHorizontalTransition(HDC& dst, HDC& src, const CRect& dstRc, const CRect& srcRc, int a, int b) {
    return Transition(dst, src, dstRc, srcRc, a, b, false);
}

void MRender::DrawRightBottomTransition(HDC& dst, HDC&, const CRect& rc, int size, COLORREF color) {
    if (!dst || size <= 0) return;
    // alpha = 255 - 255 * min(size, distance) / size, from the corner point.
    const int cx = rc.right - 1;
    const int cy = rc.bottom - 1;
    for (int y = std::max(rc.top, rc.bottom - size); y < rc.bottom; ++y)
        for (int x = std::max(rc.left, rc.right - size); x < rc.right; ++x) {
            const double d = std::hypot(cx - x, cy - y);
            const int alpha = 255 - static_cast<int>(255 * std::min<double>(size, d) / size);
            if (alpha > 0) dst->FillRect(CRect(x, y, x + 1, y + 1), ColorRefToArgb(color, static_cast<uint8_t>(alpha)));
        }
}

void MRender::DrawImageFrame(HDC& hdc, const MImage* image, const CRect& dst, int sx, int sy, int sw, int sh,
                             int corner) {
    DrawImageFrameMID(hdc, image, dst, sx, sy, sw, sh, corner, corner, corner, corner);
}

void MRender::DrawImageFrameMID(HDC& hdc, const MImage* image, const CRect& d, int sx, int sy, int sw, int sh, int l,
                                int t, int r, int b) {
    if (!hdc || !image || d.IsRectEmpty() || sw <= 0 || sh <= 0) return;
    l = std::clamp(l, 0, sw / 2);
    r = std::clamp(r, 0, sw / 2);
    t = std::clamp(t, 0, sh / 2);
    b = std::clamp(b, 0, sh / 2);
    auto part = [&](CRect dst, CRect src) {
        if (!dst.IsRectEmpty() && !src.IsRectEmpty()) hdc->DrawImage(image, dst, src);
    };
    const int x0 = sx, x1 = sx + l, x2 = sx + sw - r, x3 = sx + sw;
    const int y0 = sy, y1 = sy + t, y2 = sy + sh - b, y3 = sy + sh;
    // Top-left, left, bottom-left, top, top-right, right, bottom-right,
    // bottom, centre.
    part({d.left, d.top, d.left + l, d.top + t}, {x0, y0, x1, y1});
    part({d.left, d.top + t, d.left + l, d.bottom - b}, {x0, y1, x1, y2});
    part({d.left, d.bottom - b, d.left + l, d.bottom}, {x0, y2, x1, y3});
    part({d.left + l, d.top, d.right - r, d.top + t}, {x1, y0, x2, y1});
    part({d.right - r, d.top, d.right, d.top + t}, {x2, y0, x3, y1});
    part({d.right - r, d.top + t, d.right, d.bottom - b}, {x2, y1, x3, y2});
    part({d.right - r, d.bottom - b, d.right, d.bottom}, {x2, y2, x3, y3});
    part({d.left + l, d.bottom - b, d.right - r, d.bottom}, {x1, y2, x2, y3});
    part({d.left + l, d.top + t, d.right - r, d.bottom - b}, {x1, y1, x2, y2});
}

std::unique_ptr<MCanvas> MRender::CreateARGB32Bitmap(int w, int h) {
    auto canvas = std::make_unique<MCanvas>(w, h);
    if (!canvas->IsValid()) return nullptr;
    return canvas;
}

void MRender::BitBlt(HDC& dst, int x, int y, int w, int h, HDC& src, int sx, int sy) {
    if (dst && src) dst->CopyCanvas(*src, CRect(sx, sy, sx + w, sy + h), CPoint(x, y));
}

CSize MRender::GetTextBounds(const MFont& font, const CString& text, unsigned flags, int maxWidth) {
    MCanvas probe(1, 1);
    return probe.MeasureString(text, font, maxWidth, flags);
}

CPoint MRender::GetOriginPoint(int w, int h, int cw, int ch, unsigned hAlign, unsigned vAlign) {
    const int x = hAlign == 1 ? (w - cw) / 2 : hAlign == 2 ? w - cw : 0;
    const int y = vAlign == 4 ? (h - ch) / 2 : vAlign == 8 ? h - ch : 0;
    return {x, y};
}

CPoint MRender::GetOriginPoint(const CRect& rc, int cw, int ch, unsigned hAlign, unsigned vAlign) {
    const CPoint p = GetOriginPoint(rc.Width(), rc.Height(), cw, ch, hAlign, vAlign);
    return {rc.left + p.x, rc.top + p.y + 2};
}

void MRender::DrawTextW(HDC hdc, CRect& rc, const char16_t* text, COLORREF color, const MFont& font, unsigned format) {
    if (!hdc || !text || !*text) return;
    const unsigned h = format & 0x3;
    const unsigned v = format & 0xC;
    hdc->DrawString(CString(text), rc, font, ColorRefToArgb(color), h, v, format & ~0xFu);
}

void MRender::DrawString(HDC hdc, const CString& text, const CRect& rc, const MFont& font, ARGB color, unsigned hAlign,
                         unsigned vAlign, unsigned flags) {
    if (hdc) hdc->DrawString(text, rc, font, color, hAlign, vAlign, flags);
}

void MRender::DrawColor(HDC hdc, const RECT& rc, DWORD argb) {
    if (!hdc || ArgbAlpha(argb) == 0) return;
    hdc->FillRect(rc, argb);
}

void MRender::DrawGradient(HDC hdc, const RECT& rc, DWORD c1, DWORD c2, bool vertical, int) {
    if (!hdc || rc.IsRectEmpty()) return;
    const int alpha = (ArgbAlpha(c1) + ArgbAlpha(c2)) / 2;
    if (alpha == 0) return;
    // One smooth gradient of the two colours at their mean alpha.
    const ARGB a = (c1 & 0x00FFFFFF) | 0xFF000000;
    const ARGB b = (c2 & 0x00FFFFFF) | 0xFF000000;
    if (alpha >= 255) {
        hdc->FillGradient(rc, a, b, vertical);
        return;
    }
    MCanvas temp(rc.Width(), rc.Height());
    temp.FillGradient(CRect(0, 0, rc.Width(), rc.Height()), a, b, vertical);
    hdc->DrawCanvas(temp, rc, CRect(0, 0, rc.Width(), rc.Height()), alpha / 255.0);
}

void MRender::DrawRoundRectange(HDC hdc, float x, float y, float w, float h, float r, ARGB border, float width,
                                bool fill, ARGB fillColor) {
    if (!hdc || r <= 0) return;
    double rx = w / r / 2;
    double ry = h / r / 2;
    if (std::fabs(rx - ry) > 10) rx = ry = std::min(rx, ry);
    if (fill) hdc->FillRoundRect(x, y, w, h, rx, ry, fillColor);
    hdc->DrawRoundRect(x, y, w, h, rx, ry, border, width);
}

void MRender::DrawRoundRectange(HDC hdc, float x, float y, float w, float h, float r, ARGB fill) {
    if (hdc) hdc->FillRoundRect(x, y, w, h, r, r, fill);
}

bool MRender::SaveBitmapToFile(MCanvas& canvas, const CString& path) {
    if (!canvas.IsValid()) return false;
    const int w = canvas.Width();
    const int h = canvas.Height();
    const int rowBytes = (w * 3 + 3) & ~3;
    const uint32_t bitsSize = static_cast<uint32_t>(rowBytes) * static_cast<uint32_t>(h);
    const uint32_t fileSize = 14 + 40 + bitsSize;
    std::vector<uint8_t> out;
    auto put16 = [&](uint32_t v) { out.push_back(v & 0xFF), out.push_back((v >> 8) & 0xFF); };
    auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
    out.push_back('B');
    out.push_back('M');
    put32(fileSize);
    put32(0);
    put32(14 + 40);
    put32(40);
    put32(static_cast<uint32_t>(w));
    put32(static_cast<uint32_t>(h));
    put16(1);
    put16(24);
    put32(0);
    put32(bitsSize);
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    for (int y = h - 1; y >= 0; --y) {  // bottom-up rows
        for (int x = 0; x < w; ++x) {
            const uint32_t p = canvas.GetPixel(x, y);
            out.push_back(p & 0xFF);
            out.push_back((p >> 8) & 0xFF);
            out.push_back((p >> 16) & 0xFF);
        }
        for (int pad = w * 3; pad < rowBytes; ++pad) out.push_back(0);
    }
    FILE* f = std::fopen(path.ToUtf8().c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}
