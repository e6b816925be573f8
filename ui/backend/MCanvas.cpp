#include "ui/backend/MCanvas.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

#include "ui/backend/MImage.h"

namespace {

cairo_t* Cr(void* p) {
    return static_cast<cairo_t*>(p);
}
cairo_surface_t* Surf(void* p) {
    return static_cast<cairo_surface_t*>(p);
}

double Channel(ARGB c, int shift) {
    return ((c >> shift) & 0xFF) / 255.0;
}

uint32_t Unpremultiply(uint32_t p) {
    const uint32_t a = p >> 24;
    if (a == 0) return 0;
    if (a == 255) return p;
    auto un = [&](int shift) { return std::min<uint32_t>(255, (((p >> shift) & 0xFF) * 255 + a / 2) / a); };
    return (a << 24) | (un(16) << 16) | (un(8) << 8) | un(0);
}

}  // namespace

MCanvas::MCanvas(int width, int height) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return;
    }
    m_surface = s;
    m_cr = cairo_create(s);
    m_width = width;
    m_height = height;
}

MCanvas::MCanvas(uint32_t* pixels, int width, int height, int stride) {
    if (!pixels || width <= 0 || height <= 0 || stride < width * 4) return;
    cairo_surface_t* s = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels),
                                                             CAIRO_FORMAT_ARGB32, width, height, stride);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return;
    }
    m_surface = s;
    m_cr = cairo_create(s);
    m_width = width;
    m_height = height;
}

MCanvas::~MCanvas() {
    if (m_cr) cairo_destroy(Cr(m_cr));
    if (m_surface) cairo_surface_destroy(Surf(m_surface));
}

void MCanvas::Flush() {
    if (m_surface) cairo_surface_flush(Surf(m_surface));
}

uint32_t* MCanvas::Pixels() {
    if (!m_surface) return nullptr;
    Flush();
    return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(Surf(m_surface)));
}

int MCanvas::Stride() const noexcept {
    return m_surface ? cairo_image_surface_get_stride(Surf(m_surface)) : 0;
}

void MCanvas::MarkDirty() {
    if (m_surface) cairo_surface_mark_dirty(Surf(m_surface));
}

uint32_t MCanvas::GetPixel(int x, int y) {
    if (!m_surface || x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
    const uint32_t* px = Pixels();
    return Unpremultiply(px[static_cast<size_t>(y) * static_cast<size_t>(Stride() / 4) + static_cast<size_t>(x)]);
}

bool MCanvas::SavePng(const std::string& utf8Path) {
    if (!m_surface) return false;
    Flush();
    return cairo_surface_write_to_png(Surf(m_surface), utf8Path.c_str()) == CAIRO_STATUS_SUCCESS;
}

void MCanvas::Save() {
    if (m_cr) cairo_save(Cr(m_cr));
}

void MCanvas::Restore() {
    if (m_cr) cairo_restore(Cr(m_cr));
}

void MCanvas::IntersectClip(const CRect& rc) {
    if (!m_cr) return;
    cairo_rectangle(Cr(m_cr), rc.left, rc.top, std::max(0, rc.Width()), std::max(0, rc.Height()));
    cairo_clip(Cr(m_cr));
}

void MCanvas::Translate(int dx, int dy) {
    if (m_cr) cairo_translate(Cr(m_cr), dx, dy);
}

void MCanvas::SetColor(ARGB c) {
    cairo_set_source_rgba(Cr(m_cr), Channel(c, 16), Channel(c, 8), Channel(c, 0), Channel(c, 24));
}

void MCanvas::FillRect(const CRect& rc, ARGB color) {
    if (!m_cr || rc.IsRectEmpty() || ArgbAlpha(color) == 0) return;
    SetColor(color);
    cairo_rectangle(Cr(m_cr), rc.left, rc.top, rc.Width(), rc.Height());
    cairo_fill(Cr(m_cr));
}

void MCanvas::ClearRect(const CRect& rc, ARGB color) {
    if (!m_cr || rc.IsRectEmpty()) return;
    cairo_t* cr = Cr(m_cr);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    SetColor(color);
    cairo_rectangle(cr, rc.left, rc.top, rc.Width(), rc.Height());
    cairo_fill(cr);
    cairo_restore(cr);
}

void MCanvas::DrawLine(double x1, double y1, double x2, double y2, ARGB color, double width) {
    if (!m_cr || ArgbAlpha(color) == 0 || width <= 0) return;
    cairo_t* cr = Cr(m_cr);
    SetColor(color);
    cairo_set_line_width(cr, width);
    // Odd widths sit on pixel centres so a 1-pixel line covers one pixel row.
    const double half = std::fmod(width, 2.0) == 1.0 ? 0.5 : 0.0;
    cairo_move_to(cr, x1 + half, y1 + half);
    cairo_line_to(cr, x2 + half, y2 + half);
    cairo_stroke(cr);
}

void MCanvas::DrawRect(const CRect& rc, ARGB color, double width, double dash) {
    if (!m_cr || rc.IsRectEmpty() || ArgbAlpha(color) == 0 || width <= 0) return;
    cairo_t* cr = Cr(m_cr);
    cairo_save(cr);
    SetColor(color);
    cairo_set_line_width(cr, width);
    if (dash > 0) cairo_set_dash(cr, &dash, 1, 0);
    cairo_rectangle(cr, rc.left + width / 2, rc.top + width / 2, rc.Width() - width, rc.Height() - width);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void MCanvas::FillEllipse(double x, double y, double w, double h, ARGB color) {
    if (!m_cr || w <= 0 || h <= 0 || ArgbAlpha(color) == 0) return;
    cairo_t* cr = Cr(m_cr);
    cairo_save(cr);
    cairo_translate(cr, x + w / 2, y + h / 2);
    cairo_scale(cr, w / 2, h / 2);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    SetColor(color);
    cairo_fill(cr);
}

void MCanvas::DrawEllipse(double x, double y, double w, double h, ARGB color, double width) {
    if (!m_cr || w <= 0 || h <= 0 || ArgbAlpha(color) == 0) return;
    cairo_t* cr = Cr(m_cr);
    cairo_save(cr);
    cairo_translate(cr, x + w / 2, y + h / 2);
    cairo_scale(cr, w / 2, h / 2);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    SetColor(color);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

void MCanvas::RoundRectPath(double x, double y, double w, double h, double rx, double ry) {
    cairo_t* cr = Cr(m_cr);
    rx = std::clamp(rx, 0.0, w / 2);
    ry = std::clamp(ry, 0.0, h / 2);
    cairo_new_path(cr);
    if (rx <= 0 || ry <= 0) {
        cairo_rectangle(cr, x, y, w, h);
        return;
    }
    // Top edge, then each corner clockwise from the top right.
    auto corner = [&](double cx, double cy, double from) {
        cairo_save(cr);
        cairo_translate(cr, cx, cy);
        cairo_scale(cr, rx, ry);
        cairo_arc(cr, 0, 0, 1, from, from + M_PI / 2);
        cairo_restore(cr);
    };
    cairo_move_to(cr, x + rx, y);
    corner(x + w - rx, y + ry, -M_PI / 2);
    corner(x + w - rx, y + h - ry, 0);
    corner(x + rx, y + h - ry, M_PI / 2);
    corner(x + rx, y + ry, M_PI);
    cairo_close_path(cr);
}

void MCanvas::FillRoundRect(double x, double y, double w, double h, double rx, double ry, ARGB color) {
    if (!m_cr || w <= 0 || h <= 0 || ArgbAlpha(color) == 0) return;
    RoundRectPath(x, y, w, h, rx, ry);
    SetColor(color);
    cairo_fill(Cr(m_cr));
}

void MCanvas::DrawRoundRect(double x, double y, double w, double h, double rx, double ry, ARGB color, double width) {
    if (!m_cr || w <= 0 || h <= 0 || ArgbAlpha(color) == 0 || width <= 0) return;
    RoundRectPath(x, y, w, h, rx, ry);
    SetColor(color);
    cairo_set_line_width(Cr(m_cr), width);
    cairo_stroke(Cr(m_cr));
}

void MCanvas::FillPolygon(const CPoint* points, int count, ARGB color) {
    if (!m_cr || !points || count < 3 || ArgbAlpha(color) == 0) return;
    cairo_t* cr = Cr(m_cr);
    cairo_new_path(cr);
    cairo_move_to(cr, points[0].x, points[0].y);
    for (int i = 1; i < count; ++i) cairo_line_to(cr, points[i].x, points[i].y);
    cairo_close_path(cr);
    SetColor(color);
    cairo_fill(cr);
}

namespace {

// Paints src rect of a surface scaled into dst.
void PaintSurface(cairo_t* cr, cairo_surface_t* source, const CRect& dst, const CRect& src, double alpha,
                  cairo_operator_t op = CAIRO_OPERATOR_OVER) {
    if (dst.IsRectEmpty() || src.IsRectEmpty() || alpha <= 0) return;
    cairo_save(cr);
    cairo_rectangle(cr, dst.left, dst.top, dst.Width(), dst.Height());
    cairo_clip(cr);
    cairo_translate(cr, dst.left, dst.top);
    const double sx = static_cast<double>(dst.Width()) / src.Width();
    const double sy = static_cast<double>(dst.Height()) / src.Height();
    cairo_scale(cr, sx, sy);
    cairo_set_source_surface(cr, source, -src.left, -src.top);
    cairo_pattern_t* pattern = cairo_get_source(cr);
    // Stretched strips must not pull in the neighbouring frame at the edges.
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    if (sx == 1.0 && sy == 1.0) cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    cairo_set_operator(cr, op);
    if (alpha >= 1.0)
        cairo_paint(cr);
    else
        cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
}

}  // namespace

void MCanvas::DrawImage(const MImage* image, const CRect& dst, const CRect& src, double alpha) {
    if (!m_cr || !image) return;
    auto* surface = static_cast<cairo_surface_t*>(image->FrameSurface(image->GetActiveFrame()));
    if (!surface) return;
    // Keep the source inside the image.
    CRect bounded;
    if (!bounded.IntersectRect(src, CRect(0, 0, image->GetWidth(), image->GetHeight()))) return;
    if (!(bounded == src)) return;
    // A sub-image is drawn from its own surface so its edges pad with itself.
    if (src.left != 0 || src.top != 0 || src.Width() != image->GetWidth() || src.Height() != image->GetHeight()) {
        cairo_surface_t* sub =
            cairo_surface_create_for_rectangle(surface, src.left, src.top, src.Width(), src.Height());
        PaintSurface(Cr(m_cr), sub, dst, CRect(0, 0, src.Width(), src.Height()), alpha);
        cairo_surface_destroy(sub);
        return;
    }
    PaintSurface(Cr(m_cr), surface, dst, src, alpha);
}

void MCanvas::DrawImage(const MImage* image, const CRect& dst, double alpha) {
    if (!image) return;
    DrawImage(image, dst, CRect(0, 0, image->GetWidth(), image->GetHeight()), alpha);
}

void MCanvas::DrawCanvas(MCanvas& source, const CRect& dst, const CRect& src, double alpha) {
    if (!m_cr || !source.m_surface) return;
    source.Flush();
    PaintSurface(Cr(m_cr), Surf(source.m_surface), dst, src, alpha);
}

void MCanvas::CopyCanvas(MCanvas& source, const CRect& src, CPoint dst) {
    if (!m_cr || !source.m_surface) return;
    source.Flush();
    PaintSurface(Cr(m_cr), Surf(source.m_surface), CRect(dst, src.Size()), src, 1.0, CAIRO_OPERATOR_SOURCE);
}

void MCanvas::FillGradient(const CRect& rc, ARGB c1, ARGB c2, bool vertical) {
    if (!m_cr || rc.IsRectEmpty()) return;
    cairo_pattern_t* p = vertical ? cairo_pattern_create_linear(0, rc.top, 0, rc.bottom)
                                  : cairo_pattern_create_linear(rc.left, 0, rc.right, 0);
    cairo_pattern_add_color_stop_rgba(p, 0, Channel(c1, 16), Channel(c1, 8), Channel(c1, 0), Channel(c1, 24));
    cairo_pattern_add_color_stop_rgba(p, 1, Channel(c2, 16), Channel(c2, 8), Channel(c2, 0), Channel(c2, 24));
    cairo_t* cr = Cr(m_cr);
    cairo_save(cr);
    cairo_set_source(cr, p);
    cairo_rectangle(cr, rc.left, rc.top, rc.Width(), rc.Height());
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_pattern_destroy(p);
}

void MCanvas::DrawTransition(MCanvas& source, const CRect& dst, const CRect& src, int alphaStart, int alphaEnd,
                             bool vertical) {
    if (!m_cr || !source.m_surface || dst.IsRectEmpty() || src.IsRectEmpty()) return;
    const int lines = vertical ? dst.Height() : dst.Width();
    for (int i = 0; i < lines; ++i) {
        const double alpha =
            lines > 1 ? alphaStart + static_cast<double>(alphaEnd - alphaStart) * i / (lines - 1) : alphaStart;
        CRect d = vertical ? CRect(dst.left, dst.top + i, dst.right, dst.top + i + 1)
                           : CRect(dst.left + i, dst.top, dst.left + i + 1, dst.bottom);
        CRect s = vertical ? CRect(src.left, src.top + i, src.right, src.top + i + 1)
                           : CRect(src.left + i, src.top, src.left + i + 1, src.bottom);
        PaintSurface(Cr(m_cr), Surf(source.m_surface), d, s, std::clamp(alpha, 0.0, 255.0) / 255.0);
    }
}

namespace {

PangoLayout* MakeLayout(cairo_t* cr, const CString& text, const MFont& font, int width, unsigned flags) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    const std::string utf8 = text.ToUtf8();
    pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, MFontRegistry::FamilyList(font.family).c_str());
    pango_font_description_set_absolute_size(desc, std::max(1, font.size) * PANGO_SCALE);
    pango_font_description_set_weight(desc, (font.style & FontStyleBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(desc, (font.style & FontStyleItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    if (font.style & FontStyleUnderline) {
        PangoAttrList* attrs = pango_attr_list_new();
        pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        pango_layout_set_attributes(layout, attrs);
        pango_attr_list_unref(attrs);
    }
    const bool wrap = (flags & kTextWordWrap) && !(flags & kTextNoWrap);
    if (width > 0 && wrap) {
        pango_layout_set_width(layout, width * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    } else if (width > 0 && (flags & kTextEllipsis)) {
        pango_layout_set_width(layout, width * PANGO_SCALE);
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    }
    return layout;
}

}  // namespace

void MCanvas::DrawString(const CString& text, const CRect& rc, const MFont& font, ARGB color, unsigned hAlign,
                         unsigned vAlign, unsigned flags) {
    if (!m_cr || text.IsEmpty() || ArgbAlpha(color) == 0) return;
    cairo_t* cr = Cr(m_cr);
    PangoLayout* layout = MakeLayout(cr, text, font, rc.Width(), flags);
    const bool wrap = (flags & kTextWordWrap) && !(flags & kTextNoWrap);
    if (wrap) {
        pango_layout_set_alignment(layout, hAlign == kAlignCenter  ? PANGO_ALIGN_CENTER
                                           : hAlign == kAlignRight ? PANGO_ALIGN_RIGHT
                                                                   : PANGO_ALIGN_LEFT);
    }
    int w = 0;
    int h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    double x = rc.left;
    if (!wrap) {
        if (hAlign == kAlignCenter)
            x = rc.left + (rc.Width() - w) / 2.0;
        else if (hAlign == kAlignRight)
            x = rc.right - w;
    }
    double y = rc.top;
    if (vAlign == kAlignVCenter)
        y = rc.top + (rc.Height() - h) / 2.0;
    else if (vAlign == kAlignBottom)
        y = rc.bottom - h;
    cairo_save(cr);
    if (!(flags & kTextNoClip)) {
        cairo_rectangle(cr, rc.left, rc.top, rc.Width(), rc.Height());
        cairo_clip(cr);
    }
    SetColor(color);
    cairo_move_to(cr, std::round(x), std::round(y));
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    g_object_unref(layout);
}

CSize MCanvas::MeasureString(const CString& text, const MFont& font, int maxWidth, unsigned flags) {
    if (!m_cr || text.IsEmpty()) return {};
    PangoLayout* layout = MakeLayout(Cr(m_cr), text, font, maxWidth, flags);
    int w = 0;
    int h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    g_object_unref(layout);
    return {w, h};
}
