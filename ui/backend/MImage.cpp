#include "ui/backend/MImage.h"

#include <cairo.h>
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

// Pictures beyond this size are refused rather than allocated.
constexpr int kMaxImageSide = 8192;
constexpr int kMaxGifFrames = 1024;

struct MemoryReader {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t offset = 0;
};

cairo_status_t ReadPng(void* closure, unsigned char* out, unsigned int length) {
    auto* r = static_cast<MemoryReader*>(closure);
    if (r->size - r->offset < length) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, r->data + r->offset, length);
    r->offset += length;
    return CAIRO_STATUS_SUCCESS;
}

int ReadGif(GifFileType* gif, GifByteType* out, int length) {
    auto* r = static_cast<MemoryReader*>(gif->UserData);
    const size_t n = std::min(static_cast<size_t>(std::max(length, 0)), r->size - r->offset);
    std::memcpy(out, r->data + r->offset, n);
    r->offset += n;
    return static_cast<int>(n);
}

}  // namespace

// Builds MImage objects; the only code that fills their frames.
class MImageLoader {
public:
    static std::unique_ptr<MImage> FromPng(const uint8_t* data, size_t size) {
        MemoryReader reader{data, size, 0};
        cairo_surface_t* s = cairo_image_surface_create_from_png_stream(ReadPng, &reader);
        if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(s);
            return nullptr;
        }
        const int w = cairo_image_surface_get_width(s);
        const int h = cairo_image_surface_get_height(s);
        if (w <= 0 || h <= 0 || w > kMaxImageSide || h > kMaxImageSide) {
            cairo_surface_destroy(s);
            return nullptr;
        }
        std::unique_ptr<MImage> image(new MImage);
        image->m_width = w;
        image->m_height = h;
        image->m_frames.push_back(s);
        return image;
    }

    // Every frame composed onto the logical screen as a viewer shows it,
    // honouring transparency and the disposal of the previous frame.
    static std::unique_ptr<MImage> FromGif(const uint8_t* data, size_t size) {
        MemoryReader reader{data, size, 0};
        int error = 0;
        GifFileType* gif = DGifOpen(&reader, ReadGif, &error);
        if (!gif) return nullptr;
        std::unique_ptr<MImage> image;
        // A file cut short keeps the frames before the one it cut.
        const bool complete = DGifSlurp(gif) == GIF_OK;
        const int usable = complete ? gif->ImageCount : gif->ImageCount - 1;
        if (usable > 0) image = Compose(gif, usable);
        DGifCloseFile(gif, &error);
        return image;
    }

private:
    static std::unique_ptr<MImage> Compose(GifFileType* gif, int usable) {
        const int w = gif->SWidth;
        const int h = gif->SHeight;
        if (w <= 0 || h <= 0 || w > kMaxImageSide || h > kMaxImageSide || gif->ImageCount <= 0) return nullptr;
        std::unique_ptr<MImage> image(new MImage);
        image->m_width = w;
        image->m_height = h;
        std::vector<uint32_t> screen(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
        std::vector<uint32_t> saved;
        const int frames = std::min(usable, kMaxGifFrames);
        for (int f = 0; f < frames; ++f) {
            const SavedImage& frame = gif->SavedImages[f];
            if (!frame.RasterBits) break;  // truncated file: keep the frames before
            GraphicsControlBlock gcb{};
            gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
            gcb.TransparentColor = NO_TRANSPARENT_COLOR;
            DGifSavedExtensionToGCB(gif, f, &gcb);
            const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
            const int fx = frame.ImageDesc.Left;
            const int fy = frame.ImageDesc.Top;
            const int fw = frame.ImageDesc.Width;
            const int fh = frame.ImageDesc.Height;
            if (gcb.DisposalMode == DISPOSE_PREVIOUS) saved = screen;
            if (map && map->Colors && fw > 0 && fh > 0) {
                for (int y = 0; y < fh; ++y) {
                    const int sy = fy + y;
                    if (sy < 0 || sy >= h) continue;
                    for (int x = 0; x < fw; ++x) {
                        const int sx = fx + x;
                        if (sx < 0 || sx >= w) continue;
                        const int index = frame.RasterBits[static_cast<size_t>(y) * fw + x];
                        if (index == gcb.TransparentColor || index >= map->ColorCount) continue;
                        const GifColorType& c = map->Colors[index];
                        screen[static_cast<size_t>(sy) * w + sx] =
                            0xFF000000u | (static_cast<uint32_t>(c.Red) << 16) | (c.Green << 8) | c.Blue;
                    }
                }
            }
            cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
            if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
                cairo_surface_destroy(s);
                break;
            }
            cairo_surface_flush(s);
            auto* px = cairo_image_surface_get_data(s);
            const int stride = cairo_image_surface_get_stride(s);
            for (int y = 0; y < h; ++y)
                std::memcpy(px + static_cast<size_t>(y) * stride, &screen[static_cast<size_t>(y) * w],
                            static_cast<size_t>(w) * 4);
            cairo_surface_mark_dirty(s);
            image->m_frames.push_back(s);
            if (gcb.DisposalMode == DISPOSE_BACKGROUND) {
                for (int y = std::max(0, fy); y < std::min(h, fy + fh); ++y)
                    for (int x = std::max(0, fx); x < std::min(w, fx + fw); ++x)
                        screen[static_cast<size_t>(y) * w + x] = 0;
            } else if (gcb.DisposalMode == DISPOSE_PREVIOUS && !saved.empty()) {
                screen = saved;
            }
        }
        if (image->m_frames.empty()) return nullptr;
        return image;
    }
};

MImage::~MImage() {
    for (void* s : m_frames) cairo_surface_destroy(static_cast<cairo_surface_t*>(s));
}

std::unique_ptr<MImage> MImage::FromMemory(const uint8_t* data, size_t size) {
    if (!data || size < 8) return nullptr;
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (std::memcmp(data, kPng, 8) == 0) return MImageLoader::FromPng(data, size);
    if (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0)
        return MImageLoader::FromGif(data, size);
    return nullptr;
}

std::unique_ptr<MImage> MImage::FromFile(const std::string& utf8Path) {
    // Skins are small; a file beyond this is not one of ours.
    constexpr std::streamoff kMaxFileBytes = 64 << 20;
    std::ifstream in(utf8Path, std::ios::binary);
    if (!in) return nullptr;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size <= 0 || size > kMaxFileBytes) return nullptr;
    in.seekg(0);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return nullptr;
    return FromMemory(bytes.data(), bytes.size());
}

std::unique_ptr<MImage> MImage::Create(int width, int height) {
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) return nullptr;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    std::unique_ptr<MImage> image(new MImage);
    image->m_width = width;
    image->m_height = height;
    image->m_frames.push_back(s);
    return image;
}

void MImage::SelectActiveFrame(int frame) noexcept {
    if (frame >= 0 && frame < GetFrameCount()) m_activeFrame = frame;
}

uint32_t MImage::GetPixel(int x, int y) const noexcept {
    auto* s = static_cast<cairo_surface_t*>(FrameSurface(m_activeFrame));
    if (!s || x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
    cairo_surface_flush(s);
    const auto* row = cairo_image_surface_get_data(s) + static_cast<size_t>(y) * cairo_image_surface_get_stride(s);
    uint32_t p = reinterpret_cast<const uint32_t*>(row)[x];
    const uint32_t a = p >> 24;
    if (a == 0) return 0;
    if (a == 255) return p;
    auto un = [&](int shift) { return std::min<uint32_t>(255, (((p >> shift) & 0xFF) * 255 + a / 2) / a); };
    return (a << 24) | (un(16) << 16) | (un(8) << 8) | un(0);
}

void* MImage::FrameSurface(int frame) const noexcept {
    return frame >= 0 && frame < GetFrameCount() ? m_frames[static_cast<size_t>(frame)] : nullptr;
}
