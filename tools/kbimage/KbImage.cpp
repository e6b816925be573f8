// tastra_kbimage LAYOUT.xml OUT.png
//
// Draws the picture of a keyboard layout: the case, and one keycap with its
// label in every key rectangle of the layout. The layout is read with the
// program's own reader; a layout that does not load, or a key outside the
// picture, fails the build.

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "model/KeyboardCatalogue.h"

namespace {

constexpr double kCaseRadius = 14.0;
constexpr double kCapRadius = 5.0;
constexpr double kCapInset = 3.0;       // top face inside the cap
constexpr double kTopFaceLift = 2.0;    // the top face sits a little higher
constexpr const char* kFontFamily = "DejaVu Sans";

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    r = std::min({r, w / 2, h / 2});
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void DrawCase(cairo_t* cr, int width, int height) {
    RoundedRect(cr, 0.5, 0.5, width - 1, height - 1, kCaseRadius);
    cairo_pattern_t* body = cairo_pattern_create_linear(0, 0, 0, height);
    cairo_pattern_add_color_stop_rgb(body, 0, 0.20, 0.21, 0.24);
    cairo_pattern_add_color_stop_rgb(body, 1, 0.11, 0.12, 0.14);
    cairo_set_source(cr, body);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(body);
    cairo_set_source_rgb(cr, 0.34, 0.36, 0.40);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
}

void DrawLabel(cairo_t* cr, const std::string& text, double x, double y, double w, double h) {
    if (text.empty()) return;
    // One character (one UTF-8 lead byte) is drawn larger than a word; the
    // size follows the cap's smaller side, so tall and wide caps match.
    const auto characters = std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; });
    double size = std::min(w, h) * (characters == 1 ? 0.34 : 0.22);
    cairo_select_font_face(cr, kFontFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_text_extents_t extents;
    for (;;) {
        cairo_set_font_size(cr, size);
        cairo_text_extents(cr, text.c_str(), &extents);
        if (extents.width <= w - 2 * kCapInset - 4 || size <= 6) break;
        size -= 0.5;
    }
    cairo_set_source_rgb(cr, 0.88, 0.90, 0.93);
    cairo_move_to(cr, x + (w - extents.width) / 2 - extents.x_bearing,
                  y + (h - extents.height) / 2 - extents.y_bearing - kTopFaceLift / 2);
    cairo_show_text(cr, text.c_str());
}

void DrawKey(cairo_t* cr, const KeyItem& key) {
    const double x = key.rect.left, y = key.rect.top, w = key.rect.Width(), h = key.rect.Height();
    // Cap body with a soft shadow line at the bottom.
    RoundedRect(cr, x, y, w, h, kCapRadius);
    cairo_set_source_rgb(cr, 0.07, 0.07, 0.08);
    cairo_fill(cr);
    RoundedRect(cr, x + 0.5, y + 0.5, w - 1, h - 2, kCapRadius);
    cairo_set_source_rgb(cr, 0.27, 0.28, 0.31);
    cairo_fill(cr);
    // Top face.
    const double fx = x + kCapInset, fy = y + kCapInset - kTopFaceLift / 2;
    const double fw = w - 2 * kCapInset, fh = h - 2 * kCapInset - kTopFaceLift;
    RoundedRect(cr, fx, fy, fw, fh, kCapRadius - 1);
    cairo_pattern_t* face = cairo_pattern_create_linear(0, fy, 0, fy + fh);
    cairo_pattern_add_color_stop_rgb(face, 0, 0.36, 0.37, 0.41);
    cairo_pattern_add_color_stop_rgb(face, 1, 0.30, 0.31, 0.35);
    cairo_set_source(cr, face);
    cairo_fill(cr);
    cairo_pattern_destroy(face);
    DrawLabel(cr, key.name.ToUtf8(), x, y, w, h);
}

}  // namespace

// Under AddressSanitizer: fontconfig (behind Cairo's text) keeps its
// configuration until the process ends, which the leak check would report
// on every build of the pictures. The hook is unused in other builds.
extern "C" const char* __asan_default_options();
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s LAYOUT.xml OUT.png\n", argv[0]);
        return 2;
    }
    KeyboardDefinition layout;
    if (!KeyboardCatalogue::ReadLayoutFile(CString::FromUtf8(argv[1]), layout) || layout.pictureImage.IsEmpty()) {
        std::fprintf(stderr, "%s: cannot read the layout or it has no Keyboard picture\n", argv[1]);
        return 1;
    }
    const int width = layout.pictureRect.Width();
    const int height = layout.pictureRect.Height();
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096) {
        std::fprintf(stderr, "%s: picture size %d x %d is not usable\n", argv[1], width, height);
        return 1;
    }
    const CRect picture(0, 0, width, height);
    for (const KeyItem& key : layout.keys) {
        CRect inside;
        inside.IntersectRect(key.rect, picture);
        if (key.rect.IsRectEmpty() || inside != key.rect) {
            std::fprintf(stderr, "%s: key 0x%02X (%s) lies outside the %d x %d picture\n", argv[1], key.code,
                         key.name.ToUtf8().c_str(), width, height);
            return 1;
        }
    }

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    DrawCase(cr, width, height);
    for (const KeyItem& key : layout.keys) DrawKey(cr, key);
    cairo_destroy(cr);

    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(argv[2]).parent_path(), ec);
    const std::string temporary = std::string(argv[2]) + ".tmp";
    const cairo_status_t status = cairo_surface_write_to_png(surface, temporary.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "%s: %s\n", argv[2], cairo_status_to_string(status));
        std::filesystem::remove(temporary, ec);
        return 1;
    }
    std::filesystem::rename(temporary, argv[2], ec);
    if (ec) {
        std::fprintf(stderr, "%s: %s\n", argv[2], ec.message().c_str());
        return 1;
    }
    return 0;
}
