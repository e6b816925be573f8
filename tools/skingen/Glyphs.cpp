#include "tools/skingen/Glyphs.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

namespace skingen {

namespace {

using Point = std::pair<double, double>;

// Pen for strokes in the unit box: about 1/12 of the glyph, never thinner
// than 1.4 pixels so small icons stay legible.
double UnitLine(double size, double factor = 1.0) {
    return std::max(1.4, size * 0.085) * factor / size;
}

void Polyline(cairo_t* cr, std::initializer_list<Point> points) {
    bool first = true;
    for (const auto& [px, py] : points) {
        if (first) {
            cairo_move_to(cr, px, py);
            first = false;
        } else {
            cairo_line_to(cr, px, py);
        }
    }
}

void Polygon(cairo_t* cr, std::initializer_list<Point> points) {
    Polyline(cr, points);
    cairo_close_path(cr);
}

void StrokeWith(cairo_t* cr, double lineWidth) {
    cairo_set_line_width(cr, lineWidth);
    cairo_stroke(cr);
}

void Rect(cairo_t* cr, double x, double y, double w, double h) {
    cairo_rectangle(cr, x, y, w, h);
}

void Circle(cairo_t* cr, double cx, double cy, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
}

void Speaker(cairo_t* cr) {
    Polygon(cr, {{0.08, 0.38}, {0.26, 0.38}, {0.48, 0.18}, {0.48, 0.82}, {0.26, 0.62}, {0.08, 0.62}});
    cairo_fill(cr);
}

void Tray(cairo_t* cr, double lw) {
    Polyline(cr, {{0.14, 0.58}, {0.14, 0.86}, {0.86, 0.86}, {0.86, 0.58}});
    StrokeWith(cr, lw);
}

void Star(cairo_t* cr, double cx, double cy, double outer, double inner) {
    for (int i = 0; i < 10; ++i) {
        const double radius = (i % 2 == 0) ? outer : inner;
        const double angle = -M_PI / 2 + i * M_PI / 5;
        const double px = cx + radius * std::cos(angle);
        const double py = cy + radius * std::sin(angle);
        if (i == 0) {
            cairo_move_to(cr, px, py);
        } else {
            cairo_line_to(cr, px, py);
        }
    }
    cairo_close_path(cr);
}

void GearShape(cairo_t* cr, double lw) {
    constexpr int kTeeth = 8;
    for (int i = 0; i < kTeeth; ++i) {
        cairo_save(cr);
        cairo_translate(cr, 0.5, 0.5);
        cairo_rotate(cr, i * 2 * M_PI / kTeeth);
        Rect(cr, -0.08, -0.44, 0.16, 0.16);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    Circle(cr, 0.5, 0.5, 0.27);
    StrokeWith(cr, lw * 1.6);
    Circle(cr, 0.5, 0.5, 0.09);
    cairo_fill(cr);
}

}  // namespace

void DrawGlyph(const Canvas& canvas, Glyph glyph, double x, double y, double size, const Rgba& c) {
    cairo_t* cr = canvas.Cr();
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, size, size);
    cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    const double lw = UnitLine(size);

    switch (glyph) {
        case Glyph::Computer:
            Rect(cr, 0.1, 0.14, 0.8, 0.54);
            StrokeWith(cr, lw);
            Polyline(cr, {{0.5, 0.7}, {0.5, 0.84}});
            StrokeWith(cr, lw);
            Polyline(cr, {{0.28, 0.86}, {0.72, 0.86}});
            StrokeWith(cr, lw);
            break;
        case Glyph::Calculator:
            Rect(cr, 0.2, 0.08, 0.6, 0.84);
            StrokeWith(cr, lw);
            Rect(cr, 0.3, 0.18, 0.4, 0.16);
            cairo_fill(cr);
            for (int row = 0; row < 3; ++row) {
                for (int col = 0; col < 3; ++col) {
                    Rect(cr, 0.3 + col * 0.15, 0.44 + row * 0.15, 0.1, 0.1);
                }
            }
            cairo_fill(cr);
            break;
        case Glyph::Mail:
            Rect(cr, 0.08, 0.22, 0.84, 0.56);
            StrokeWith(cr, lw);
            Polyline(cr, {{0.08, 0.24}, {0.5, 0.56}, {0.92, 0.24}});
            StrokeWith(cr, lw);
            break;
        case Glyph::Media:
            Circle(cr, 0.28, 0.74, 0.13);
            Circle(cr, 0.72, 0.64, 0.13);
            cairo_fill(cr);
            Polyline(cr, {{0.4, 0.74}, {0.4, 0.2}, {0.84, 0.1}, {0.84, 0.64}});
            StrokeWith(cr, lw);
            Polyline(cr, {{0.4, 0.32}, {0.84, 0.22}});
            StrokeWith(cr, lw * 1.6);
            break;
        case Glyph::PlayPause:
            Polygon(cr, {{0.1, 0.2}, {0.1, 0.8}, {0.52, 0.5}});
            cairo_fill(cr);
            Rect(cr, 0.6, 0.2, 0.11, 0.6);
            Rect(cr, 0.8, 0.2, 0.11, 0.6);
            cairo_fill(cr);
            break;
        case Glyph::Stop:
            Rect(cr, 0.24, 0.24, 0.52, 0.52);
            cairo_fill(cr);
            break;
        case Glyph::Previous:
            Rect(cr, 0.16, 0.22, 0.12, 0.56);
            Polygon(cr, {{0.84, 0.22}, {0.84, 0.78}, {0.32, 0.5}});
            cairo_fill(cr);
            break;
        case Glyph::Next:
            Rect(cr, 0.72, 0.22, 0.12, 0.56);
            Polygon(cr, {{0.16, 0.22}, {0.16, 0.78}, {0.68, 0.5}});
            cairo_fill(cr);
            break;
        case Glyph::VolumeDown:
            Speaker(cr);
            Polyline(cr, {{0.62, 0.5}, {0.92, 0.5}});
            StrokeWith(cr, lw);
            break;
        case Glyph::VolumeUp:
            Speaker(cr);
            Polyline(cr, {{0.62, 0.5}, {0.92, 0.5}});
            Polyline(cr, {{0.77, 0.35}, {0.77, 0.65}});
            StrokeWith(cr, lw);
            break;
        case Glyph::Mute:
            Speaker(cr);
            Polyline(cr, {{0.62, 0.36}, {0.9, 0.64}});
            Polyline(cr, {{0.9, 0.36}, {0.62, 0.64}});
            StrokeWith(cr, lw);
            break;
        case Glyph::Home:
            Polyline(cr, {{0.08, 0.5}, {0.5, 0.13}, {0.92, 0.5}});
            StrokeWith(cr, lw);
            Polyline(cr, {{0.22, 0.42}, {0.22, 0.86}, {0.78, 0.86}, {0.78, 0.42}});
            StrokeWith(cr, lw);
            Rect(cr, 0.42, 0.6, 0.16, 0.26);
            cairo_fill(cr);
            break;
        case Glyph::Refresh:
            cairo_new_sub_path(cr);
            cairo_arc(cr, 0.5, 0.52, 0.3, -M_PI * 0.3, M_PI * 1.45);
            StrokeWith(cr, lw);
            Polygon(cr, {{0.66, 0.1}, {0.84, 0.34}, {0.56, 0.36}});
            cairo_fill(cr);
            break;
        case Glyph::WebStop:
            Circle(cr, 0.5, 0.5, 0.38);
            StrokeWith(cr, lw);
            Polyline(cr, {{0.36, 0.36}, {0.64, 0.64}});
            Polyline(cr, {{0.64, 0.36}, {0.36, 0.64}});
            StrokeWith(cr, lw);
            break;
        case Glyph::Back:
        case Glyph::ArrowLeft:
            Polyline(cr, {{0.84, 0.5}, {0.2, 0.5}});
            Polyline(cr, {{0.44, 0.26}, {0.2, 0.5}, {0.44, 0.74}});
            StrokeWith(cr, lw * 1.2);
            break;
        case Glyph::Forward:
        case Glyph::ArrowRight:
            Polyline(cr, {{0.16, 0.5}, {0.8, 0.5}});
            Polyline(cr, {{0.56, 0.26}, {0.8, 0.5}, {0.56, 0.74}});
            StrokeWith(cr, lw * 1.2);
            break;
        case Glyph::ArrowUp:
            Polyline(cr, {{0.5, 0.84}, {0.5, 0.2}});
            Polyline(cr, {{0.26, 0.44}, {0.5, 0.2}, {0.74, 0.44}});
            StrokeWith(cr, lw * 1.2);
            break;
        case Glyph::ArrowDown:
            Polyline(cr, {{0.5, 0.16}, {0.5, 0.8}});
            Polyline(cr, {{0.26, 0.56}, {0.5, 0.8}, {0.74, 0.56}});
            StrokeWith(cr, lw * 1.2);
            break;
        case Glyph::Favourites:
            Star(cr, 0.5, 0.53, 0.44, 0.19);
            cairo_fill(cr);
            break;
        case Glyph::Search:
            Circle(cr, 0.42, 0.42, 0.25);
            StrokeWith(cr, lw);
            Polyline(cr, {{0.61, 0.61}, {0.86, 0.86}});
            StrokeWith(cr, lw * 1.6);
            break;
        case Glyph::Keyboard:
            Rect(cr, 0.06, 0.24, 0.88, 0.52);
            StrokeWith(cr, lw);
            for (int row = 0; row < 2; ++row) {
                for (int col = 0; col < 5; ++col) {
                    Rect(cr, 0.15 + col * 0.15, 0.33 + row * 0.13, 0.09, 0.08);
                }
            }
            Rect(cr, 0.27, 0.6, 0.46, 0.07);
            cairo_fill(cr);
            break;
        case Glyph::Macro:
            Circle(cr, 0.26, 0.5, 0.16);
            cairo_fill(cr);
            Polyline(cr, {{0.54, 0.3}, {0.9, 0.3}});
            Polyline(cr, {{0.54, 0.5}, {0.9, 0.5}});
            Polyline(cr, {{0.54, 0.7}, {0.9, 0.7}});
            StrokeWith(cr, lw);
            break;
        case Glyph::Light:
            Circle(cr, 0.5, 0.5, 0.17);
            cairo_fill(cr);
            for (int i = 0; i < 8; ++i) {
                const double angle = i * M_PI / 4;
                cairo_move_to(cr, 0.5 + 0.28 * std::cos(angle), 0.5 + 0.28 * std::sin(angle));
                cairo_line_to(cr, 0.5 + 0.42 * std::cos(angle), 0.5 + 0.42 * std::sin(angle));
            }
            StrokeWith(cr, lw);
            break;
        case Glyph::Gear:
            GearShape(cr, lw);
            break;
        case Glyph::Usb:
            Polyline(cr, {{0.5, 0.2}, {0.5, 0.78}});
            Polyline(cr, {{0.5, 0.62}, {0.27, 0.48}, {0.27, 0.36}});
            Polyline(cr, {{0.5, 0.52}, {0.73, 0.4}, {0.73, 0.32}});
            StrokeWith(cr, lw);
            Polygon(cr, {{0.5, 0.06}, {0.62, 0.22}, {0.38, 0.22}});
            Rect(cr, 0.21, 0.26, 0.12, 0.12);
            Circle(cr, 0.73, 0.28, 0.07);
            Circle(cr, 0.5, 0.84, 0.09);
            cairo_fill(cr);
            break;
        case Glyph::Wireless:
            Circle(cr, 0.5, 0.78, 0.08);
            cairo_fill(cr);
            for (int i = 1; i <= 3; ++i) {
                cairo_new_sub_path(cr);
                cairo_arc(cr, 0.5, 0.78, 0.18 * i, -M_PI * 0.78, -M_PI * 0.22);
            }
            StrokeWith(cr, lw);
            break;
        case Glyph::Bluetooth:
            Polyline(cr, {{0.28, 0.3}, {0.72, 0.68}, {0.5, 0.88}, {0.5, 0.12}, {0.72, 0.32}, {0.28, 0.7}});
            StrokeWith(cr, lw);
            break;
        case Glyph::Bolt:
            Polygon(cr, {{0.62, 0.04}, {0.2, 0.56}, {0.46, 0.56}, {0.36, 0.96}, {0.8, 0.42}, {0.54, 0.42}});
            cairo_fill(cr);
            break;
        case Glyph::Close:
            Polyline(cr, {{0.3, 0.3}, {0.7, 0.7}});
            Polyline(cr, {{0.7, 0.3}, {0.3, 0.7}});
            StrokeWith(cr, lw);
            break;
        case Glyph::Minimise:
            Polyline(cr, {{0.3, 0.56}, {0.7, 0.56}});
            StrokeWith(cr, lw);
            break;
        case Glyph::Add:
            Polyline(cr, {{0.5, 0.22}, {0.5, 0.78}});
            Polyline(cr, {{0.22, 0.5}, {0.78, 0.5}});
            StrokeWith(cr, lw);
            break;
        case Glyph::Delete:
            Polyline(cr, {{0.22, 0.5}, {0.78, 0.5}});
            StrokeWith(cr, lw);
            break;
        case Glyph::Trash:
            Polyline(cr, {{0.2, 0.26}, {0.8, 0.26}});
            Polyline(cr, {{0.4, 0.26}, {0.42, 0.14}, {0.58, 0.14}, {0.6, 0.26}});
            Polyline(cr, {{0.27, 0.34}, {0.32, 0.86}, {0.68, 0.86}, {0.73, 0.34}});
            Polyline(cr, {{0.44, 0.42}, {0.45, 0.76}});
            Polyline(cr, {{0.56, 0.42}, {0.55, 0.76}});
            StrokeWith(cr, lw);
            break;
        case Glyph::Edit:
            Polygon(cr, {{0.66, 0.14}, {0.86, 0.34}, {0.38, 0.82}, {0.14, 0.86}, {0.18, 0.62}});
            StrokeWith(cr, lw);
            Polyline(cr, {{0.58, 0.22}, {0.78, 0.42}});
            StrokeWith(cr, lw);
            break;
        case Glyph::Import:
            Tray(cr, lw);
            Polyline(cr, {{0.5, 0.1}, {0.5, 0.66}});
            Polyline(cr, {{0.3, 0.46}, {0.5, 0.66}, {0.7, 0.46}});
            StrokeWith(cr, lw);
            break;
        case Glyph::Export:
            Tray(cr, lw);
            Polyline(cr, {{0.5, 0.66}, {0.5, 0.1}});
            Polyline(cr, {{0.3, 0.3}, {0.5, 0.1}, {0.7, 0.3}});
            StrokeWith(cr, lw);
            break;
    }
    cairo_restore(cr);
}

void DrawMark(const Canvas& canvas, double x, double y, double size, bool withTile) {
    cairo_t* cr = canvas.Cr();
    cairo_save(cr);
    cairo_translate(cr, x, y);
    if (withTile) {
        const double radius = size * 0.2;
        canvas.RoundedRect(0, 0, size, size, radius);
        cairo_pattern_t* tile = cairo_pattern_create_linear(0, 0, 0, size);
        cairo_pattern_add_color_stop_rgb(tile, 0, 0.09, 0.14, 0.19);
        cairo_pattern_add_color_stop_rgb(tile, 1, theme::kBackground.r, theme::kBackground.g, theme::kBackground.b);
        cairo_set_source(cr, tile);
        cairo_fill(cr);
        cairo_pattern_destroy(tile);
        canvas.StrokeRounded(0, 0, size, size, radius, std::max(1.0, size / 40), theme::kFrame);
    }
    // The keycap: an accent outline, its top face lighter, a warm underglow.
    const double cap = withTile ? size * 0.64 : size;
    const double origin = withTile ? (size - cap) / 2 : 0;
    const double line = std::max(1.2, cap * 0.07);
    cairo_translate(cr, origin, origin);
    canvas.FillRounded(cap * 0.16, cap * 0.86, cap * 0.68, std::max(1.0, cap * 0.06), cap * 0.03,
                       theme::kAccentWarm.WithAlpha(0.9));
    canvas.FillRounded(0, 0, cap, cap * 0.82, cap * 0.16, theme::kAccent.WithAlpha(0.18));
    canvas.StrokeRounded(0, 0, cap, cap * 0.82, cap * 0.16, line, theme::kAccent);
    // The "T", as two bars, so it needs no font.
    canvas.SetColour(theme::kText);
    cairo_rectangle(cr, cap * 0.24, cap * 0.18, cap * 0.52, cap * 0.12);
    cairo_rectangle(cr, cap * 0.44, cap * 0.18, cap * 0.12, cap * 0.48);
    cairo_fill(cr);
    cairo_restore(cr);
}

double DrawWordmark(const Canvas& canvas, double x, double y, double height, const Rgba& c) {
    cairo_t* cr = canvas.Cr();
    const double w = height * 0.62;  // width of one capital
    const double gap = height * 0.22;
    cairo_save(cr);
    cairo_translate(cr, x, y);
    canvas.SetColour(c);
    cairo_set_line_width(cr, std::max(1.4, height * 0.16));
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    const double inset = height * 0.08;
    const double top = inset;
    const double bottom = height - inset;
    double pen = inset;
    const auto letterT = [&] {
        cairo_move_to(cr, pen, top);
        cairo_line_to(cr, pen + w, top);
        cairo_move_to(cr, pen + w / 2, top);
        cairo_line_to(cr, pen + w / 2, bottom);
        pen += w + gap;
    };
    const auto letterA = [&] {
        cairo_move_to(cr, pen, bottom);
        cairo_line_to(cr, pen + w / 2, top);
        cairo_line_to(cr, pen + w, bottom);
        cairo_move_to(cr, pen + w * 0.25, top + (bottom - top) * 0.62);
        cairo_line_to(cr, pen + w * 0.75, top + (bottom - top) * 0.62);
        pen += w + gap;
    };
    const auto letterS = [&] {
        const double mid = (top + bottom) / 2;
        cairo_move_to(cr, pen + w, top);
        cairo_line_to(cr, pen, top);
        cairo_line_to(cr, pen, mid);
        cairo_line_to(cr, pen + w, mid);
        cairo_line_to(cr, pen + w, bottom);
        cairo_line_to(cr, pen, bottom);
        pen += w + gap;
    };
    const auto letterR = [&] {
        const double mid = top + (bottom - top) * 0.52;
        cairo_move_to(cr, pen, bottom);
        cairo_line_to(cr, pen, top);
        cairo_line_to(cr, pen + w, top);
        cairo_line_to(cr, pen + w, mid);
        cairo_line_to(cr, pen, mid);
        cairo_move_to(cr, pen + w * 0.45, mid);
        cairo_line_to(cr, pen + w, bottom);
        pen += w + gap;
    };
    letterT();
    letterA();
    letterS();
    letterT();
    letterR();
    letterA();
    cairo_stroke(cr);
    cairo_restore(cr);
    return pen - gap + inset;
}

}  // namespace skingen
