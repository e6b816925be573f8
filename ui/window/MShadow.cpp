#include "ui/window/MShadow.h"

#include "ui/backend/Platform.h"
#include "ui/core/PaintManager.h"

namespace {
constexpr int kMaxShadowSize = 35;
constexpr unsigned kMaxDarkness = 255;
}  // namespace

void MShadow::Initialize(void*, bool) {}

void MShadow::Create(PaintManager* manager) {
    if (!m_show) return;
    m_manager = manager;
    m_status = kEnabled;
    HWND parent = manager ? manager->GetPaintWnd() : nullptr;
    if (Platform::IsWindowVisible(parent)) {
        m_status |= kParentVisible;
        if (!Platform::IsIconic(parent) && !Platform::IsZoomed(parent)) m_status |= kShown;
    }
}

int MShadow::SetSize(int size) {
    if (size < -kMaxShadowSize || size > kMaxShadowSize) return 0;
    m_size = static_cast<int8_t>(size);
    return 1;
}

int MShadow::SetSharpness(unsigned value) {
    if (value > static_cast<unsigned>(kMaxShadowSize)) return 0;
    m_sharpness = static_cast<uint8_t>(value);
    return 1;
}

int MShadow::SetDarkness(unsigned value) {
    if (value > kMaxDarkness) return 0;
    m_darkness = static_cast<uint8_t>(value);
    return 1;
}

int MShadow::SetPosition(int x, int y) {
    if (x < -kMaxShadowSize || x > kMaxShadowSize || y < -kMaxShadowSize || y > kMaxShadowSize) return 0;
    m_x = static_cast<int8_t>(x);
    m_y = static_cast<int8_t>(y);
    return 1;
}

int MShadow::SetColor(COLORREF color) {
    m_color = color;
    return 1;
}

int MShadow::SetImage(const char16_t* file) {
    if (!file) return 0;
    m_imageFile = file;
    m_imageResId = 0;
    m_imageMode = true;
    return 1;
}

int MShadow::SetImage(unsigned pngResId) {
    m_imageResId = pngResId;
    m_imageFile.Empty();
    m_imageMode = true;
    return 1;
}

int MShadow::SetShadowCorner(CRect corners) {
    if (corners.left < 0 || corners.top < 0 || corners.right < 0 || corners.bottom < 0) return 0;
    m_corners = corners;
    return 1;
}

void MShadow::CopyShadow(MShadow* other) const {
    if (!other) return;
    other->m_imageMode = m_imageMode;
    other->m_imageFile = m_imageFile;
    other->m_imageResId = m_imageResId;
    other->m_corners = m_corners;
    other->m_size = m_size;
    other->m_sharpness = m_sharpness;
    other->m_darkness = m_darkness;
    other->m_x = m_x;
    other->m_y = m_y;
    other->m_color = m_color;
    other->m_show = m_show;
}

bool MShadow::HasShadow() const {
    return m_imageMode ? (!m_imageFile.IsEmpty() || m_imageResId) : m_size != 0;
}

uint32_t MShadow::PreMultiply(COLORREF color, uint8_t alpha) {
    auto ch = [&](uint8_t v) { return static_cast<uint32_t>(v) * alpha / 255; };
    return (static_cast<uint32_t>(alpha) << 24) | (ch(GetRValue(color)) << 16) | (ch(GetGValue(color)) << 8) |
           ch(GetBValue(color));
}
