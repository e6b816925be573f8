// MImage: a decoded picture of one or more frames (PNG: one, GIF: one per
// frame, already composed), held as premultiplied ARGB surfaces of the back
// end. Loading never throws: a missing, truncated or hostile file gives null.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class MImage {
public:
    ~MImage();
    MImage(const MImage&) = delete;
    MImage& operator=(const MImage&) = delete;

    // By file name extension and content (PNG or GIF signature).
    [[nodiscard]] static std::unique_ptr<MImage> FromFile(const std::string& utf8Path);
    [[nodiscard]] static std::unique_ptr<MImage> FromMemory(const uint8_t* data, size_t size);
    // A blank image (fully transparent) of one frame.
    [[nodiscard]] static std::unique_ptr<MImage> Create(int width, int height);

    [[nodiscard]] int GetWidth() const noexcept { return m_width; }
    [[nodiscard]] int GetHeight() const noexcept { return m_height; }
    [[nodiscard]] int GetFrameCount() const noexcept { return static_cast<int>(m_frames.size()); }
    // Which frame draws; out-of-range values are ignored.
    void SelectActiveFrame(int frame) noexcept;
    [[nodiscard]] int GetActiveFrame() const noexcept { return m_activeFrame; }
    // Unpremultiplied ARGB of a pixel of the active frame (0 outside).
    [[nodiscard]] uint32_t GetPixel(int x, int y) const noexcept;

    // Back-end surface of a frame (a cairo_surface_t*), for the canvas.
    [[nodiscard]] void* FrameSurface(int frame) const noexcept;

private:
    MImage() = default;
    friend class MImageLoader;
    int m_width = 0;
    int m_height = 0;
    int m_activeFrame = 0;
    std::vector<void*> m_frames;
};
