// Drawing helpers of the skin generator: one ARGB image surface with the
// theme's colours and the shapes every skin image is built from.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

namespace skingen {

// A colour given as 0xAARRGGBB, unpremultiplied.
struct Rgba {
    double r = 0, g = 0, b = 0, a = 1;

    static constexpr Rgba FromArgb(uint32_t argb) noexcept {
        return {((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                ((argb >> 24) & 0xFF) / 255.0};
    }
    [[nodiscard]] Rgba WithAlpha(double alpha) const noexcept { return {r, g, b, alpha}; }
    // Linear mix towards `other` (t = 0 keeps this colour, 1 gives `other`).
    [[nodiscard]] Rgba Mix(const Rgba& other, double t) const noexcept {
        return {r + (other.r - r) * t, g + (other.g - g) * t, b + (other.b - b) * t, a + (other.a - a) * t};
    }
};

// The dark theme: the window background and frame of the toolkit's windows
// and the two accents of the tab titles and the key selection outline.
namespace theme {
inline constexpr Rgba kBackground = Rgba::FromArgb(0xFF090D13);
inline constexpr Rgba kPanel = Rgba::FromArgb(0xFF111A24);
inline constexpr Rgba kPanelRaised = Rgba::FromArgb(0xFF18232F);
inline constexpr Rgba kFrame = Rgba::FromArgb(0xFF285055);
inline constexpr Rgba kFrameLight = Rgba::FromArgb(0xFF3C7880);
inline constexpr Rgba kAccent = Rgba::FromArgb(0xFF11A9FD);
inline constexpr Rgba kAccentDark = Rgba::FromArgb(0xFF0B6EA6);
inline constexpr Rgba kAccentWarm = Rgba::FromArgb(0xFFFF7D00);
inline constexpr Rgba kText = Rgba::FromArgb(0xFFFFFFFF);
inline constexpr Rgba kGlyph = Rgba::FromArgb(0xFFC6D2D6);
inline constexpr Rgba kDisabled = Rgba::FromArgb(0xFF808080);
inline constexpr Rgba kDisabledFill = Rgba::FromArgb(0xFF1A1E24);
inline constexpr Rgba kDisabledLine = Rgba::FromArgb(0xFF3A3F46);
inline constexpr Rgba kWaitBackground = Rgba::FromArgb(0xFF333333);
}  // namespace theme

// The four states of a button strip, left to right.
enum class State { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };
inline constexpr int kButtonStates = 4;
// Check boxes and radio buttons: the four states unchecked, then checked.
inline constexpr int kCheckStates = 8;

class Canvas {
public:
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    [[nodiscard]] cairo_t* Cr() const noexcept { return m_cr; }
    [[nodiscard]] cairo_surface_t* Surface() const noexcept { return m_surface; }
    [[nodiscard]] int Width() const noexcept { return m_width; }
    [[nodiscard]] int Height() const noexcept { return m_height; }

    // Makes frame `index` of a strip of `frameWidth`-wide frames the
    // drawing area: the origin moves to its left edge and drawing is clipped
    // to it. EndFrame undoes it.
    void BeginFrame(int index, int frameWidth);
    void EndFrame();

    void SetColour(const Rgba& c) const;
    void RoundedRect(double x, double y, double w, double h, double r) const;
    void FillRounded(double x, double y, double w, double h, double r, const Rgba& c) const;
    // Outline drawn inside the box, so a 1-pixel line stays crisp.
    void StrokeRounded(double x, double y, double w, double h, double r, double line, const Rgba& c) const;
    void VerticalGradient(double x, double y, double w, double h, const Rgba& top, const Rgba& bottom) const;
    void FillCircle(double cx, double cy, double radius, const Rgba& c) const;
    void StrokeCircle(double cx, double cy, double radius, double line, const Rgba& c) const;
    void Line(double x0, double y0, double x1, double y1, double width, const Rgba& c) const;

    // PNG bytes of the surface; empty when encoding fails.
    [[nodiscard]] std::vector<unsigned char> EncodePng() const;

private:
    int m_width = 0;
    int m_height = 0;
    cairo_surface_t* m_surface = nullptr;
    cairo_t* m_cr = nullptr;
};

}  // namespace skingen
