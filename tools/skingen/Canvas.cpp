#include "tools/skingen/Canvas.h"

#include <algorithm>
#include <cmath>

namespace skingen {

Canvas::Canvas(int width, int height)
    : m_width(width),
      m_height(height),
      m_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      m_cr(cairo_create(m_surface)) {
    cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_BEST);
    cairo_set_line_cap(m_cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(m_cr, CAIRO_LINE_JOIN_ROUND);
}

Canvas::~Canvas() {
    cairo_destroy(m_cr);
    cairo_surface_destroy(m_surface);
}

void Canvas::BeginFrame(int index, int frameWidth) {
    cairo_save(m_cr);
    cairo_translate(m_cr, static_cast<double>(index) * frameWidth, 0);
    cairo_rectangle(m_cr, 0, 0, frameWidth, m_height);
    cairo_clip(m_cr);
}

void Canvas::EndFrame() {
    cairo_restore(m_cr);
}

void Canvas::SetColour(const Rgba& c) const {
    cairo_set_source_rgba(m_cr, c.r, c.g, c.b, c.a);
}

void Canvas::RoundedRect(double x, double y, double w, double h, double r) const {
    r = std::clamp(r, 0.0, std::min(w, h) / 2);
    cairo_new_sub_path(m_cr);
    cairo_arc(m_cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(m_cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(m_cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(m_cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(m_cr);
}

void Canvas::FillRounded(double x, double y, double w, double h, double r, const Rgba& c) const {
    RoundedRect(x, y, w, h, r);
    SetColour(c);
    cairo_fill(m_cr);
}

void Canvas::StrokeRounded(double x, double y, double w, double h, double r, double line, const Rgba& c) const {
    const double inset = line / 2;
    RoundedRect(x + inset, y + inset, w - line, h - line, std::max(0.0, r - inset));
    SetColour(c);
    cairo_set_line_width(m_cr, line);
    cairo_stroke(m_cr);
}

void Canvas::VerticalGradient(double x, double y, double w, double h, const Rgba& top, const Rgba& bottom) const {
    cairo_pattern_t* pattern = cairo_pattern_create_linear(0, y, 0, y + h);
    cairo_pattern_add_color_stop_rgba(pattern, 0, top.r, top.g, top.b, top.a);
    cairo_pattern_add_color_stop_rgba(pattern, 1, bottom.r, bottom.g, bottom.b, bottom.a);
    cairo_rectangle(m_cr, x, y, w, h);
    cairo_set_source(m_cr, pattern);
    cairo_fill(m_cr);
    cairo_pattern_destroy(pattern);
}

void Canvas::FillCircle(double cx, double cy, double radius, const Rgba& c) const {
    cairo_new_sub_path(m_cr);
    cairo_arc(m_cr, cx, cy, radius, 0, 2 * M_PI);
    SetColour(c);
    cairo_fill(m_cr);
}

void Canvas::StrokeCircle(double cx, double cy, double radius, double line, const Rgba& c) const {
    cairo_new_sub_path(m_cr);
    cairo_arc(m_cr, cx, cy, radius, 0, 2 * M_PI);
    SetColour(c);
    cairo_set_line_width(m_cr, line);
    cairo_stroke(m_cr);
}

void Canvas::Line(double x0, double y0, double x1, double y1, double width, const Rgba& c) const {
    cairo_move_to(m_cr, x0, y0);
    cairo_line_to(m_cr, x1, y1);
    SetColour(c);
    cairo_set_line_width(m_cr, width);
    cairo_stroke(m_cr);
}

namespace {
cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<std::vector<unsigned char>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}
}  // namespace

std::vector<unsigned char> Canvas::EncodePng() const {
    cairo_surface_flush(m_surface);
    std::vector<unsigned char> bytes;
    if (cairo_surface_write_to_png_stream(m_surface, AppendBytes, &bytes) != CAIRO_STATUS_SUCCESS) {
        bytes.clear();
    }
    return bytes;
}

}  // namespace skingen
