// Contents:
//   strip helpers      one Canvas per image, one BeginFrame per state
//   control strips     buttons, check and radio boxes, edits, combo, picker
//   bars and pickers   slider, scroll bars, spin buttons, colour wheel
//   windows            caption bar, message box, tips and balloon arrows
//   pictures           logo, page and tab icons, picker icons, battery,
//                      connection modes, application icon, busy animations
//   BuildSkinSet       the table of every image with its size
#include "tools/skingen/SkinSet.h"

#include <cmath>
#include <memory>
#include <utility>

#include "tools/skingen/Canvas.h"
#include "tools/skingen/Glyphs.h"
#include "tools/skingen/ImageFiles.h"

namespace skingen {

namespace {

using namespace theme;

using FrameDrawer = std::function<void(const Canvas&, int frame, double w, double h)>;

// A PNG strip: `frames` frames side by side, each drawn by `draw` in its own
// clipped frame-local coordinate system.
SkinImage Strip(std::string path, int frameWidth, int height, int frames, FrameDrawer draw) {
    SkinImage image;
    image.path = std::move(path);
    image.width = frameWidth * frames;
    image.height = height;
    image.frames = frames;
    image.write = [frameWidth, height, frames, draw = std::move(draw)](const std::string& file) {
        Canvas canvas(frameWidth * frames, height);
        for (int i = 0; i < frames; ++i) {
            canvas.BeginFrame(i, frameWidth);
            draw(canvas, i, frameWidth, height);
            canvas.EndFrame();
        }
        return WriteFileAtomically(file, canvas.EncodePng());
    };
    return image;
}

SkinImage Single(std::string path, int width, int height, FrameDrawer draw) {
    return Strip(std::move(path), width, height, 1, std::move(draw));
}

State StateOf(int frame) {
    return static_cast<State>(frame % kButtonStates);
}

// --- control strips ------------------------------------------------------

// Symbol buttons: no plate at rest, a soft plate on hover and press.
FrameDrawer SymbolButton(Glyph glyph, const Rgba& hoverColour, double glyphSize) {
    return [glyph, hoverColour, glyphSize](const Canvas& c, int frame, double w, double h) {
        const double gx = (w - glyphSize) / 2;
        const double gy = (h - glyphSize) / 2;
        switch (StateOf(frame)) {
            case State::Normal:
                DrawGlyph(c, glyph, gx, gy, glyphSize, kGlyph);
                break;
            case State::Hover:
                c.FillRounded(0, 0, w, h, 4, hoverColour.WithAlpha(0.16));
                DrawGlyph(c, glyph, gx, gy, glyphSize, hoverColour);
                break;
            case State::Pressed:
                c.FillRounded(0, 0, w, h, 4, hoverColour.WithAlpha(0.34));
                DrawGlyph(c, glyph, gx, gy + 1, glyphSize, kText);
                break;
            case State::Disabled:
                DrawGlyph(c, glyph, gx, gy, glyphSize, kDisabledLine);
                break;
        }
    };
}

// The text push button (nine-patch with 10-pixel corners).
void DrawPushButton(const Canvas& c, int frame, double w, double h) {
    constexpr double kRadius = 6;
    Rgba top = kPanelRaised, bottom = kPanel, line = kFrameLight;
    switch (StateOf(frame)) {
        case State::Normal:
            break;
        case State::Hover:
            top = kPanelRaised.Mix(kAccent, 0.22);
            bottom = kPanel.Mix(kAccent, 0.12);
            line = kAccent;
            break;
        case State::Pressed:
            top = kAccentDark;
            bottom = kAccent.Mix(kAccentDark, 0.4);
            line = kAccent;
            break;
        case State::Disabled:
            top = bottom = kDisabledFill;
            line = kDisabledLine;
            break;
    }
    cairo_t* cr = c.Cr();
    cairo_save(cr);
    c.RoundedRect(0, 0, w, h, kRadius);
    cairo_clip(cr);
    c.VerticalGradient(0, 0, w, h, top, bottom);
    cairo_restore(cr);
    c.StrokeRounded(0, 0, w, h, kRadius, 1, line);
}

// Check and radio boxes: 8 frames, the four states unchecked then checked.
FrameDrawer CheckMark(bool radio) {
    return [radio](const Canvas& c, int frame, double w, double h) {
        const bool checked = frame >= kButtonStates;
        const State state = StateOf(frame);
        const double box = 14;
        const double x = (w - box) / 2;
        const double y = (h - box) / 2;
        Rgba fill = checked ? kAccent : kPanel;
        Rgba line = checked ? kAccent : kFrameLight;
        if (state == State::Hover) {
            fill = checked ? kAccent.Mix(kText, 0.2) : kPanel.Mix(kAccent, 0.15);
            line = checked ? kAccent.Mix(kText, 0.2) : kAccent;
        } else if (state == State::Pressed) {
            fill = checked ? kAccentDark : kAccent.WithAlpha(0.35);
            line = kAccent;
        } else if (state == State::Disabled) {
            fill = checked ? kDisabledLine : kDisabledFill;
            line = kDisabledLine;
        }
        const Rgba ink = state == State::Disabled ? kDisabled : kText;
        if (radio) {
            c.FillCircle(w / 2, h / 2, box / 2, checked ? kPanel : fill);
            c.StrokeCircle(w / 2, h / 2, box / 2 - 0.75, 1.5, line);
            if (checked) {
                c.FillCircle(w / 2, h / 2, 3.5, state == State::Disabled ? kDisabled : fill);
            }
            return;
        }
        c.FillRounded(x, y, box, box, 3, fill);
        c.StrokeRounded(x, y, box, box, 3, 1.5, line);
        if (checked) {
            cairo_t* cr = c.Cr();
            cairo_move_to(cr, x + 3.2, y + 7.2);
            cairo_line_to(cr, x + 6.0, y + 10.0);
            cairo_line_to(cr, x + 10.8, y + 4.2);
            c.SetColour(ink);
            cairo_set_line_width(cr, 2);
            cairo_stroke(cr);
        }
    };
}

// Direction choices of the lighting page: radio strips with an arrow.
FrameDrawer DirectionButton(Glyph arrow) {
    return [arrow](const Canvas& c, int frame, double w, double h) {
        const bool checked = frame >= kButtonStates;
        const State state = StateOf(frame);
        Rgba fill = checked ? kAccent.WithAlpha(0.85) : kPanel;
        Rgba line = checked ? kAccent : kFrameLight;
        Rgba ink = checked ? kText : kGlyph;
        if (state == State::Hover) {
            fill = checked ? kAccent : kPanel.Mix(kAccent, 0.18);
            line = kAccent;
            ink = kText;
        } else if (state == State::Pressed) {
            fill = kAccentDark;
            line = kAccent;
            ink = kText;
        } else if (state == State::Disabled) {
            fill = checked ? kDisabledLine : kDisabledFill;
            line = kDisabledLine;
            ink = kDisabled;
        }
        c.FillRounded(1, 1, w - 2, h - 2, 5, fill);
        c.StrokeRounded(1, 1, w - 2, h - 2, 5, 1, line);
        DrawGlyph(c, arrow, 6, 6, w - 12, ink);
    };
}

// Edit fields and the list's in-place edit frame (nine-patch 4 and 6).
void DrawEditFrame(const Canvas& c, int frame, double w, double h) {
    constexpr double kRadius = 3;
    switch (StateOf(frame)) {
        case State::Normal:
            c.FillRounded(0, 0, w, h, kRadius, kPanel);
            c.StrokeRounded(0, 0, w, h, kRadius, 1, kFrame);
            break;
        case State::Hover:
            c.FillRounded(0, 0, w, h, kRadius, kPanel);
            c.StrokeRounded(0, 0, w, h, kRadius, 1, kFrameLight);
            break;
        case State::Pressed:
            c.FillRounded(0, 0, w, h, kRadius, kPanel.Mix(kAccent, 0.08));
            c.StrokeRounded(0, 0, w, h, kRadius, 1, kAccent);
            break;
        case State::Disabled:
            c.FillRounded(0, 0, w, h, kRadius, kDisabledFill);
            c.StrokeRounded(0, 0, w, h, kRadius, 1, kDisabledLine);
            break;
    }
}

// Combo box: an edit-like field with the drop arrow in the unscaled right
// 36 pixels of the nine-patch.
void DrawComboFrame(const Canvas& c, int frame, double w, double h) {
    constexpr double kArrowZone = 36;
    DrawEditFrame(c, frame, w, h);
    const State state = StateOf(frame);
    const Rgba ink = state == State::Disabled ? kDisabled : (state == State::Normal ? kGlyph : kAccent);
    c.Line(w - kArrowZone + 0.5, 8, w - kArrowZone + 0.5, h - 8, 1, state == State::Disabled ? kDisabledLine : kFrame);
    cairo_t* cr = c.Cr();
    const double cx = w - kArrowZone / 2;
    const double cy = h / 2 + (state == State::Pressed ? 1 : 0);
    cairo_move_to(cr, cx - 5, cy - 2.5);
    cairo_line_to(cr, cx, cy + 2.5);
    cairo_line_to(cr, cx + 5, cy - 2.5);
    c.SetColour(ink);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
}

// Function picker items: normal, hover, checked or pressed, disabled.
void DrawPickerItem(const Canvas& c, int frame, double w, double h) {
    constexpr double kRadius = 3;
    switch (StateOf(frame)) {
        case State::Normal:
            c.FillRounded(0, 0, w, h, kRadius, kPanelRaised);
            c.StrokeRounded(0, 0, w, h, kRadius, 1, kFrame);
            break;
        case State::Hover:
            c.FillRounded(0, 0, w, h, kRadius, kPanelRaised.Mix(kAccent, 0.2));
            c.StrokeRounded(0, 0, w, h, kRadius, 1, kAccent);
            break;
        case State::Pressed:
            c.FillRounded(0, 0, w, h, kRadius, kAccentDark);
            c.StrokeRounded(0, 0, w, h, kRadius, 1, kAccent);
            break;
        case State::Disabled:
            c.FillRounded(0, 0, w, h, kRadius, kDisabledFill);
            c.StrokeRounded(0, 0, w, h, kRadius, 1, kDisabledLine);
            break;
    }
}

// Device list rows: frame 0 a known keyboard that is absent, 1 a connected one.
void DrawDeviceRow(const Canvas& c, int frame, double w, double h) {
    constexpr double kRadius = 8;
    if (frame == 0) {
        c.FillRounded(0, 0, w, h, kRadius, kPanel);
        c.StrokeRounded(0, 0, w, h, kRadius, 1, kDisabledLine);
        return;
    }
    c.FillRounded(0, 0, w, h, kRadius, kPanelRaised.Mix(kAccent, 0.14));
    c.StrokeRounded(0, 0, w, h, kRadius, 1, kAccent);
}

// --- bars and pickers ----------------------------------------------------

// Slider track: the upper row empty, the lower row filled.
void DrawSliderTrack(const Canvas& c, int, double w, double h) {
    const double row = h / 2;
    c.FillRounded(0, 1, w, row - 2, (row - 2) / 2, kPanelRaised);
    c.StrokeRounded(0, 1, w, row - 2, (row - 2) / 2, 1, kFrame);
    cairo_t* cr = c.Cr();
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, 0, w, 0);
    cairo_pattern_add_color_stop_rgb(fill, 0, kAccentDark.r, kAccentDark.g, kAccentDark.b);
    cairo_pattern_add_color_stop_rgb(fill, 1, kAccent.r, kAccent.g, kAccent.b);
    c.RoundedRect(0, row + 1, w, row - 2, (row - 2) / 2);
    cairo_set_source(cr, fill);
    cairo_fill(cr);
    cairo_pattern_destroy(fill);
}

void DrawSliderThumb(const Canvas& c, int frame, double w, double h) {
    const double cx = w / 2;
    const double cy = h / 2;
    switch (StateOf(frame)) {
        case State::Normal:
            c.FillCircle(cx, cy, 8, kText);
            c.StrokeCircle(cx, cy, 7, 2, kAccent);
            break;
        case State::Hover:
            c.FillCircle(cx, cy, 12, kAccent.WithAlpha(0.25));
            c.FillCircle(cx, cy, 8, kText);
            c.StrokeCircle(cx, cy, 7, 2, kAccent);
            break;
        case State::Pressed:
            c.FillCircle(cx, cy, 12, kAccent.WithAlpha(0.35));
            c.FillCircle(cx, cy, 8, kAccent);
            c.StrokeCircle(cx, cy, 7, 2, kText);
            break;
        case State::Disabled:
            c.FillCircle(cx, cy, 8, kDisabled);
            c.StrokeCircle(cx, cy, 7, 2, kDisabledLine);
            break;
    }
}

FrameDrawer ScrollThumb(bool vertical) {
    return [vertical](const Canvas& c, int frame, double w, double h) {
        Rgba colour = kFrame;
        switch (StateOf(frame)) {
            case State::Normal:
                colour = kFrame;
                break;
            case State::Hover:
                colour = kFrameLight;
                break;
            case State::Pressed:
                colour = kAccent;
                break;
            case State::Disabled:
                colour = kDisabledLine;
                break;
        }
        if (vertical) {
            c.FillRounded(1, 0, w - 2, h, (w - 2) / 2, colour);
        } else {
            c.FillRounded(0, 1, w, h - 2, (h - 2) / 2, colour);
        }
    };
}

FrameDrawer SpinButton(bool up) {
    return [up](const Canvas& c, int frame, double w, double h) {
        const State state = StateOf(frame);
        if (state == State::Hover || state == State::Pressed) {
            c.FillRounded(0, 0, w, h, 2, kAccent.WithAlpha(state == State::Hover ? 0.18 : 0.4));
        }
        const Rgba ink = state == State::Disabled ? kDisabledLine : (state == State::Normal ? kGlyph : kText);
        cairo_t* cr = c.Cr();
        const double cx = w / 2;
        const double cy = h / 2;
        const double dy = up ? -2 : 2;
        cairo_move_to(cr, cx - 4, cy - dy);
        cairo_line_to(cr, cx, cy + dy);
        cairo_line_to(cr, cx + 4, cy - dy);
        c.SetColour(ink);
        cairo_set_line_width(cr, 1.6);
        cairo_stroke(cr);
    };
}

// The colour wheel: hue around the centre, white in the middle, so the
// pixel under the pointer is the colour the user picks.
void DrawColourWheel(const Canvas& c, int, double w, double h) {
    cairo_surface_t* surface = c.Surface();
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const double cx = w / 2;
    const double cy = h / 2;
    const double radius = std::min(w, h) / 2 - 1;
    for (int y = 0; y < static_cast<int>(h); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        for (int x = 0; x < static_cast<int>(w); ++x) {
            const double dx = x + 0.5 - cx;
            const double dy = y + 0.5 - cy;
            const double distance = std::sqrt(dx * dx + dy * dy);
            const double coverage = std::clamp(radius - distance + 0.5, 0.0, 1.0);
            if (coverage <= 0) {
                row[x] = 0;
                continue;
            }
            double hue = std::atan2(-dy, dx) / (2 * M_PI);
            if (hue < 0) {
                hue += 1;
            }
            const double saturation = std::min(1.0, distance / radius);
            // HSV to RGB at full value.
            const double sector = hue * 6;
            const int i = static_cast<int>(sector) % 6;
            const double f = sector - std::floor(sector);
            const double p = 1 - saturation;
            const double q = 1 - saturation * f;
            const double t = 1 - saturation * (1 - f);
            double r = 1, g = 1, b = 1;
            switch (i) {
                case 0:
                    r = 1, g = t, b = p;
                    break;
                case 1:
                    r = q, g = 1, b = p;
                    break;
                case 2:
                    r = p, g = 1, b = t;
                    break;
                case 3:
                    r = p, g = q, b = 1;
                    break;
                case 4:
                    r = t, g = p, b = 1;
                    break;
                default:
                    r = 1, g = p, b = q;
                    break;
            }
            const auto channel = [coverage](double v) { return static_cast<uint32_t>(v * coverage * 255 + 0.5); };
            row[x] = (static_cast<uint32_t>(coverage * 255 + 0.5) << 24) | (channel(r) << 16) | (channel(g) << 8) |
                     channel(b);
        }
    }
    cairo_surface_mark_dirty(surface);
}

// The "colourful" swatch: a rainbow tile.
void DrawRainbowSwatch(const Canvas& c, int, double w, double h) {
    cairo_t* cr = c.Cr();
    cairo_pattern_t* rainbow = cairo_pattern_create_linear(0, 0, w, h);
    constexpr uint32_t kStops[] = {0xFF0000, 0xFFA000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0040FF, 0xC000FF};
    constexpr int kStopCount = sizeof(kStops) / sizeof(kStops[0]);
    for (int i = 0; i < kStopCount; ++i) {
        const Rgba s = Rgba::FromArgb(0xFF000000 | kStops[i]);
        cairo_pattern_add_color_stop_rgb(rainbow, static_cast<double>(i) / (kStopCount - 1), s.r, s.g, s.b);
    }
    c.RoundedRect(2, 2, w - 4, h - 4, 3);
    cairo_set_source(cr, rainbow);
    cairo_fill(cr);
    cairo_pattern_destroy(rainbow);
}

// --- windows -------------------------------------------------------------

void DrawCaptionBar(const Canvas& c, int, double w, double h) {
    c.VerticalGradient(0, 0, w, h, Rgba::FromArgb(0xFF142030), Rgba::FromArgb(0xFF0C131C));
    c.Line(0, h - 0.5, w, h - 0.5, 1, kFrame);
    // An accent under the tab column, so the caption and the column read as one.
    c.Line(0, h - 1, 76, h - 1, 2, kAccent);
}

// Window and prompt backgrounds are drawn as frames with large fixed corners.
void DrawPromptBackground(const Canvas& c, int, double w, double h) {
    constexpr double kRadius = 10;
    c.FillRounded(0, 0, w, h, kRadius, Rgba::FromArgb(0xFF0E1620));
    cairo_t* cr = c.Cr();
    cairo_save(cr);
    c.RoundedRect(0, 0, w, h, kRadius);
    cairo_clip(cr);
    c.VerticalGradient(0, 0, w, 50, Rgba::FromArgb(0xFF17283A), Rgba::FromArgb(0xFF0E1620));
    cairo_restore(cr);
    c.StrokeRounded(0, 0, w, h, kRadius, 1, kFrame);
    c.Line(20, 49.5, w - 20, 49.5, 1, kFrame.WithAlpha(0.7));
}

// Popup menus: the key and macro list menus (frame with corner 6).
void DrawMenuBackground(const Canvas& c, int, double w, double h) {
    c.FillRounded(0, 0, w, h, 5, kPanel);
    c.StrokeRounded(0, 0, w, h, 5, 1, kFrameLight);
}

void DrawDropDownBackground(const Canvas& c, int, double w, double h) {
    c.FillRounded(0, 0, w, h, 5, kBackground);
    c.StrokeRounded(0, 0, w, h, 5, 1, kFrame);
}

// Tip background (nine-patch with 6-pixel corners) and the balloon arrows in
// the same fill, so a caller can butt them together.
constexpr Rgba kTipFill = Rgba::FromArgb(0xF5162230);
void DrawTipBackground(const Canvas& c, int, double w, double h) {
    c.FillRounded(0, 0, w, h, 5, kTipFill);
    c.StrokeRounded(0, 0, w, h, 5, 1, kAccent.WithAlpha(0.8));
}

enum class ArrowSide { Left, Right, Top };
FrameDrawer TipArrow(ArrowSide side) {
    return [side](const Canvas& c, int, double w, double h) {
        cairo_t* cr = c.Cr();
        switch (side) {
            case ArrowSide::Left:
                cairo_move_to(cr, w, 0);
                cairo_line_to(cr, 0, h / 2);
                cairo_line_to(cr, w, h);
                break;
            case ArrowSide::Right:
                cairo_move_to(cr, 0, 0);
                cairo_line_to(cr, w, h / 2);
                cairo_line_to(cr, 0, h);
                break;
            case ArrowSide::Top:
                cairo_move_to(cr, 0, h);
                cairo_line_to(cr, w / 2, 0);
                cairo_line_to(cr, w, h);
                break;
        }
        cairo_close_path(cr);
        c.SetColour(kTipFill);
        cairo_fill_preserve(cr);
        c.SetColour(kAccent.WithAlpha(0.8));
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    };
}

void DrawPaletteThumb(const Canvas& c, int, double w, double h) {
    c.StrokeCircle(w / 2, h / 2, w / 2 - 1.5, 2, kText);
    c.StrokeCircle(w / 2, h / 2, w / 2 - 3, 1, Rgba::FromArgb(0xFF404040));
}

// --- pictures ------------------------------------------------------------

// List row marker: frame 0 a ring, frame 1 (selected row) a lit dot.
void DrawRowMarker(const Canvas& c, int frame, double w, double h) {
    if (frame == 0) {
        c.StrokeCircle(w / 2, h / 2, 4.5, 1.5, kFrameLight);
    } else {
        c.FillCircle(w / 2, h / 2, 6.5, kAccent.WithAlpha(0.3));
        c.FillCircle(w / 2, h / 2, 4.5, kAccent);
    }
}

// Page tabs: normal, hover and selected icon (the tab title is drawn by the
// control in white, then in the blue accent).
FrameDrawer TabIcon(Glyph glyph) {
    return [glyph](const Canvas& c, int frame, double w, double h) {
        const Rgba ink = frame == 0 ? kGlyph : (frame == 1 ? kText : kAccent);
        if (frame == 2) {
            c.FillCircle(w / 2, h / 2, w / 2, kAccent.WithAlpha(0.16));
        }
        DrawGlyph(c, glyph, 3, 3, w - 6, ink);
        (void)h;
    };
}

FrameDrawer PlainGlyph(Glyph glyph, const Rgba& colour, double inset) {
    return [glyph, colour, inset](const Canvas& c, int, double w, double) {
        DrawGlyph(c, glyph, inset, inset, w - 2 * inset, colour);
    };
}

void DrawLogo(const Canvas& c, int, double w, double h) {
    const double mark = h - 4;
    DrawMark(c, 2, 2, mark, false);
    DrawWordmark(c, mark + 10, h * 0.22, h * 0.56, kText);
    (void)w;
}

// Battery gauge: the outline, the fill cropped by the level, the charging bolt.
constexpr double kBatteryBodyWidth = 26;
void DrawBatteryOutline(const Canvas& c, int, double, double h) {
    c.StrokeRounded(1, 2, kBatteryBodyWidth, h - 4, 3, 1.5, kGlyph);
    c.FillRounded(kBatteryBodyWidth + 1, h / 2 - 3, 2.5, 6, 1, kGlyph);
}

void DrawBatteryFill(const Canvas& c, int, double, double h) {
    c.FillRounded(3.5, 4.5, kBatteryBodyWidth - 5, h - 9, 1.5, kAccent);
}

void DrawApplicationIcon(const Canvas& c, int, double w, double) {
    DrawMark(c, 0, 0, w, true);
}

// The wait animation: twelve dots on a ring, a bright head and a fading tail.
void DrawSpinnerFrame(const Canvas& c, int step, int steps) {
    const double cx = c.Width() / 2.0;
    const double cy = c.Height() / 2.0;
    const double ring = std::min(c.Width(), c.Height()) * 0.3;
    for (int i = 0; i < steps; ++i) {
        const int age = (step - i + steps) % steps;  // 0 = the head
        const double angle = -M_PI / 2 + i * 2 * M_PI / steps;
        const double fade = 1.0 - static_cast<double>(age) / steps;
        const Rgba colour = kWaitBackground.Mix(age == 0 ? kText : kAccent, 0.15 + 0.85 * fade);
        c.FillCircle(cx + ring * std::cos(angle), cy + ring * std::sin(angle), 3 + 2.5 * fade, colour);
    }
}

// The loading bar animation: a wave running along a row of bars.
void DrawBarsFrame(const Canvas& c, int step, int steps) {
    constexpr int kBars = 9;
    constexpr double kBarWidth = 8;
    constexpr double kBarGap = 10;
    const double total = kBars * kBarWidth + (kBars - 1) * kBarGap;
    const double x0 = (c.Width() - total) / 2;
    for (int i = 0; i < kBars; ++i) {
        const double phase = 2 * M_PI * (static_cast<double>(step) / steps - static_cast<double>(i) / kBars);
        const double level = 0.5 + 0.5 * std::cos(phase);
        const double barHeight = 10 + 30 * level;
        const Rgba colour = kBackground.Mix(kAccent, 0.35 + 0.65 * level);
        c.FillRounded(x0 + i * (kBarWidth + kBarGap), (c.Height() - barHeight) / 2, kBarWidth, barHeight, 3, colour);
    }
}

SkinImage Animation(std::string path, int width, int height, int frames, int delayCentiseconds, Rgba matte,
                    std::vector<Rgba> inks, void (*drawFrame)(const Canvas&, int, int)) {
    SkinImage image;
    image.path = std::move(path);
    image.width = width;
    image.height = height;
    image.frames = frames;
    image.write = [=](const std::string& file) {
        std::vector<std::unique_ptr<Canvas>> canvases;
        for (int i = 0; i < frames; ++i) {
            auto canvas = std::make_unique<Canvas>(width, height);
            canvas->FillRounded(0, 0, width, height, 0, matte);
            drawFrame(*canvas, i, frames);
            canvases.push_back(std::move(canvas));
        }
        return WriteAnimatedGif(file, canvases, delayCentiseconds, matte, inks);
    };
    return image;
}

constexpr int kIconSizes[] = {16, 32, 48, 256};

SkinImage IconFile(std::string path) {
    SkinImage image;
    image.path = std::move(path);
    image.width = kIconSizes[std::size(kIconSizes) - 1];
    image.height = image.width;
    image.frames = static_cast<int>(std::size(kIconSizes));
    image.write = [](const std::string& file) {
        std::vector<std::unique_ptr<Canvas>> sizes;
        for (int size : kIconSizes) {
            auto canvas = std::make_unique<Canvas>(size, size);
            DrawApplicationIcon(*canvas, 0, size, size);
            sizes.push_back(std::move(canvas));
        }
        return WriteIcon(file, sizes);
    };
    return image;
}

// Image sizes that controls and the window layout rely on.
constexpr int kSysButton = 30;   // close and minimise, profile tools
constexpr int kStepTool = 20;    // macro step up, down, delete
constexpr int kPushWidth = 110;  // the most common push button
constexpr int kPushHeight = 38;
constexpr int kCheckBox = 20;   // check and radio box frames
constexpr int kDirection = 30;  // lighting direction choices
constexpr int kEditWidth = 60;
constexpr int kEditHeight = 30;
constexpr int kComboWidth = 200;
constexpr int kComboHeight = 38;
constexpr int kPickerWidth = 40;  // function picker key cap
constexpr int kPickerHeight = 28;
constexpr int kPickerIcon = 20;  // drawn at 20 x 20 in the picker
constexpr int kTabIcon = 32;
constexpr int kHeaderIcon = 28;
constexpr int kModeIcon = 24;
constexpr int kDeviceRowWidth = 372;
constexpr int kDeviceRowHeight = 38;
constexpr int kTipWidth = 190;  // key tip window size
constexpr int kTipHeight = 100;
constexpr int kPromptWidth = 380;  // message box
constexpr int kPromptHeight = 200;
constexpr int kDialogWidth = 660;  // key dialog
constexpr int kDialogHeight = 360;
constexpr int kCaptionWidth = 1278;  // caption bar inside the 1-pixel border
constexpr int kCaptionHeight = 49;
constexpr int kWaitSize = 100;      // wait dialog animation
constexpr int kLoadingWidth = 232;  // loading window animation box
constexpr int kLoadingHeight = 58;
constexpr int kAnimationFrames = 12;
constexpr int kAnimationDelayCs = 5;

}  // namespace

std::vector<SkinImage> BuildSkinSet() {
    std::vector<SkinImage> set;
    const auto add = [&set](SkinImage image) { set.push_back(std::move(image)); };

    // Window frame and caption.
    add(Single("pic_caption.png", kCaptionWidth, kCaptionHeight, DrawCaptionBar));
    add(Strip("main_sysbtn_close.png", kSysButton, kSysButton, kButtonStates,
              SymbolButton(Glyph::Close, kAccentWarm, 18)));
    add(Strip("main_sysbtn_min.png", kSysButton, kSysButton, kButtonStates,
              SymbolButton(Glyph::Minimise, kAccent, 18)));
    add(Strip("img_sys_close.png", 24, 24, kButtonStates, SymbolButton(Glyph::Close, kAccentWarm, 16)));
    add(Single("bk_prompt.png", kPromptWidth, kPromptHeight, DrawPromptBackground));
    // The close prompt and key dialog: the same look at the larger size.
    add(Single("bk_dialog.png", kDialogWidth, kDialogHeight, DrawPromptBackground));
    add(Single("bk_menu.png", 40, 40, DrawMenuBackground));

    // Profile list tools and macro step tools.
    add(Strip("imgbtn_add.png", kSysButton, kSysButton, kButtonStates, SymbolButton(Glyph::Add, kAccent, 18)));
    add(Strip("imgbtn_del.png", kSysButton, kSysButton, kButtonStates, SymbolButton(Glyph::Trash, kAccentWarm, 18)));
    add(Strip("imgbtn_edit.png", kSysButton, kSysButton, kButtonStates, SymbolButton(Glyph::Edit, kAccent, 18)));
    add(Strip("imgbtn_import.png", kSysButton, kSysButton, kButtonStates, SymbolButton(Glyph::Import, kAccent, 18)));
    add(Strip("imgbtn_export.png", kSysButton, kSysButton, kButtonStates, SymbolButton(Glyph::Export, kAccent, 18)));
    add(Strip("btn_record_up.png", kStepTool, kStepTool, kButtonStates, SymbolButton(Glyph::ArrowUp, kAccent, 14)));
    add(Strip("btn_record_down.png", kStepTool, kStepTool, kButtonStates, SymbolButton(Glyph::ArrowDown, kAccent, 14)));
    add(Strip("btn_record_del.png", kStepTool, kStepTool, kButtonStates, SymbolButton(Glyph::Trash, kAccentWarm, 14)));

    // Buttons, boxes, fields.
    add(Strip("btn_apply.png", kPushWidth, kPushHeight, kButtonStates, DrawPushButton));
    add(Strip("btn_checkbox.png", kCheckBox, kCheckBox, kCheckStates, CheckMark(false)));
    add(Strip("btn_radiobox.png", kCheckBox, kCheckBox, kCheckStates, CheckMark(true)));
    add(Strip("btn_direction_left.png", kDirection, kDirection, kCheckStates, DirectionButton(Glyph::ArrowLeft)));
    add(Strip("btn_direction_right.png", kDirection, kDirection, kCheckStates, DirectionButton(Glyph::ArrowRight)));
    add(Strip("btn_direction_top.png", kDirection, kDirection, kCheckStates, DirectionButton(Glyph::ArrowUp)));
    add(Strip("btn_direction_bottom.png", kDirection, kDirection, kCheckStates, DirectionButton(Glyph::ArrowDown)));
    add(Strip("img_edit.png", kEditWidth, kEditHeight, kButtonStates, DrawEditFrame));
    add(Strip("img_combobox.png", kComboWidth, kComboHeight, kButtonStates, DrawComboFrame));
    add(Single("img_combobox_list.png", 40, 40, DrawDropDownBackground));
    add(Strip("img_customkey.png", kPickerWidth, kPickerHeight, kButtonStates, DrawPickerItem));
    add(Strip("img_device_state.png", kDeviceRowWidth, kDeviceRowHeight, 2, DrawDeviceRow));

    // Bars, spin buttons and colour pickers.
    add(Single("img_slider_back.png", 220, 12, DrawSliderTrack));
    add(Strip("img_thumb.png", 36, 36, kButtonStates, DrawSliderThumb));
    add(Strip("img_scroll_v.png", 8, 240, kButtonStates, ScrollThumb(true)));
    add(Strip("img_scroll_h.png", 60, 8, kButtonStates, ScrollThumb(false)));
    add(Strip("img_spin_up.png", 16, 12, kButtonStates, SpinButton(true)));
    add(Strip("img_spin_down.png", 16, 12, kButtonStates, SpinButton(false)));
    add(Single("img_circlepalette.png", 140, 140, DrawColourWheel));
    add(Single("img_palette_thumb.png", 12, 12, DrawPaletteThumb));
    add(Single("btn_colorful.png", 30, 30, DrawRainbowSwatch));

    // Tips and balloons.
    add(Single("img_tip_bk.png", kTipWidth, kTipHeight, DrawTipBackground));
    add(Single("img_tip_arrow_left.png", 10, 16, TipArrow(ArrowSide::Left)));
    add(Single("img_tip_arrow_right.png", 10, 16, TipArrow(ArrowSide::Right)));
    add(Single("img_tip_arrow_top.png", 16, 10, TipArrow(ArrowSide::Top)));

    // Busy animations: the wait dialog's (on its grey back colour) and the
    // loading window's.
    add(Animation("loading.gif", kWaitSize, kWaitSize, kAnimationFrames, kAnimationDelayCs, kWaitBackground,
                  {kAccent, kText}, DrawSpinnerFrame));
    add(Animation("loading/loading.gif", kLoadingWidth, kLoadingHeight, kAnimationFrames, kAnimationDelayCs,
                  kBackground, {kAccent}, DrawBarsFrame));

    // Product mark.
    add(Single("logo/logo.png", 120, 30, DrawLogo));
    add(Single("logo/logo_loading.png", 200, 50, DrawLogo));
    add(IconFile("Tastra.ico"));
    add(Single("Tastra.png", 64, 64, DrawApplicationIcon));

    // Page tabs and page header icons.
    add(Strip("icon/tab_home.png", kTabIcon, kTabIcon, 3, TabIcon(Glyph::Home)));
    add(Strip("icon/tab_customkey.png", kTabIcon, kTabIcon, 3, TabIcon(Glyph::Keyboard)));
    add(Strip("icon/tab_macro.png", kTabIcon, kTabIcon, 3, TabIcon(Glyph::Macro)));
    add(Strip("icon/tab_light.png", kTabIcon, kTabIcon, 3, TabIcon(Glyph::Light)));
    add(Strip("icon/tab_config.png", kTabIcon, kTabIcon, 3, TabIcon(Glyph::Gear)));
    add(Single("icon/icon_keyboard.png", kHeaderIcon, kHeaderIcon, PlainGlyph(Glyph::Keyboard, kAccent, 1)));
    add(Single("icon/icon_macro.png", kHeaderIcon, kHeaderIcon, PlainGlyph(Glyph::Macro, kAccent, 2)));
    add(Single("icon/icon_lightmode.png", kHeaderIcon, kHeaderIcon, PlainGlyph(Glyph::Light, kAccent, 1)));
    add(Single("icon/icon_config.png", kHeaderIcon, kHeaderIcon, PlainGlyph(Glyph::Gear, kAccent, 1)));
    add(Strip("icon/icon_circle.png", 16, 16, 2, DrawRowMarker));

    // Caption status: battery and connection mode.
    add(Single("icon/icon_battery_bkg.png", 30, 16, DrawBatteryOutline));
    add(Single("icon/icon_batteryvalue.png", 30, 16, DrawBatteryFill));
    add(Single("icon/icon_charge.png", 12, 16, PlainGlyph(Glyph::Bolt, kAccentWarm, 0)));
    add(Single("icon/mode_usb.png", kModeIcon, kModeIcon, PlainGlyph(Glyph::Usb, kGlyph, 1)));
    add(Single("icon/mode_wireless.png", kModeIcon, kModeIcon, PlainGlyph(Glyph::Wireless, kGlyph, 1)));
    add(Single("icon/mode_bluetooth.png", kModeIcon, kModeIcon, PlainGlyph(Glyph::Bluetooth, kGlyph, 1)));

    // Function picker icons, by function code order of the picker's top row.
    const std::pair<const char*, Glyph> pickerIcons[] = {
        {"icon/icon_pc.png", Glyph::Computer},          {"icon/icon_cal.png", Glyph::Calculator},
        {"icon/icon_email.png", Glyph::Mail},           {"icon/icon_multimedia.png", Glyph::Media},
        {"icon/icon_playpause.png", Glyph::PlayPause},  {"icon/icon_stop.png", Glyph::Stop},
        {"icon/icon_pre.png", Glyph::Previous},         {"icon/icon_next.png", Glyph::Next},
        {"icon/icon_vol_down.png", Glyph::VolumeDown},  {"icon/icon_vol_up.png", Glyph::VolumeUp},
        {"icon/icon_vol_mute.png", Glyph::Mute},        {"icon/icon_home.png", Glyph::Home},
        {"icon/icon_web_refresh.png", Glyph::Refresh},  {"icon/icon_web_stop.png", Glyph::WebStop},
        {"icon/icon_web_backward.png", Glyph::Back},    {"icon/icon_web_foreward.png", Glyph::Forward},
        {"icon/icon_favorites.png", Glyph::Favourites}, {"icon/icon_web_search.png", Glyph::Search},
    };
    for (const auto& [path, glyph] : pickerIcons) {
        add(Single(path, kPickerIcon, kPickerIcon, PlainGlyph(glyph, kText, 1)));
    }
    return set;
}

bool WriteApplicationIcon(const std::string& path, int size) {
    Canvas canvas(size, size);
    DrawApplicationIcon(canvas, 0, size, size);
    return WriteFileAtomically(path, canvas.EncodePng());
}

}  // namespace skingen
