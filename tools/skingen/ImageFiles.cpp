#include "tools/skingen/ImageFiles.h"

#include <gif_lib.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <limits>

namespace skingen {

namespace {

constexpr int kPaletteSize = 256;

struct PaletteColour {
    int r = 0, g = 0, b = 0;
};

int To8(double v) {
    return static_cast<int>(v * 255.0 + 0.5);
}

std::vector<PaletteColour> BuildPalette(const Rgba& matte, const std::vector<Rgba>& inks) {
    std::vector<PaletteColour> palette;
    palette.push_back({To8(matte.r), To8(matte.g), To8(matte.b)});
    const size_t inkCount = inks.empty() ? 1 : inks.size();
    const int steps = (kPaletteSize - 1) / static_cast<int>(inkCount);
    for (size_t i = 0; i < inkCount; ++i) {
        const Rgba ink = inks.empty() ? theme::kText : inks[i];
        for (int s = 1; s <= steps; ++s) {
            const Rgba c = matte.Mix(ink, static_cast<double>(s) / steps);
            palette.push_back({To8(c.r), To8(c.g), To8(c.b)});
        }
    }
    while (palette.size() < kPaletteSize) {
        palette.push_back(palette.front());
    }
    return palette;
}

int NearestIndex(const std::vector<PaletteColour>& palette, int r, int g, int b) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (size_t i = 0; i < palette.size(); ++i) {
        const int dr = palette[i].r - r;
        const int dg = palette[i].g - g;
        const int db = palette[i].b - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(i);
        }
    }
    return best;
}

// Palette indexes of one frame, each pixel composited over the matte.
std::vector<GifPixelType> Quantise(const Canvas& frame, const Rgba& matte, const std::vector<PaletteColour>& palette) {
    cairo_surface_flush(frame.Surface());
    const unsigned char* data = cairo_image_surface_get_data(frame.Surface());
    const int stride = cairo_image_surface_get_stride(frame.Surface());
    const int mr = To8(matte.r), mg = To8(matte.g), mb = To8(matte.b);
    std::vector<GifPixelType> indexes(static_cast<size_t>(frame.Width()) * frame.Height());
    for (int y = 0; y < frame.Height(); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        for (int x = 0; x < frame.Width(); ++x) {
            // Cairo keeps premultiplied ARGB, so "over" is p + matte * (1 - a).
            const uint32_t p = row[x];
            const int a = static_cast<int>(p >> 24);
            const int r = static_cast<int>((p >> 16) & 0xFF) + mr * (255 - a) / 255;
            const int g = static_cast<int>((p >> 8) & 0xFF) + mg * (255 - a) / 255;
            const int b = static_cast<int>(p & 0xFF) + mb * (255 - a) / 255;
            indexes[static_cast<size_t>(y) * frame.Width() + x] =
                static_cast<GifPixelType>(NearestIndex(palette, r, g, b));
        }
    }
    return indexes;
}

bool PutLoopExtension(GifFileType* gif) {
    static const char kApplication[] = "NETSCAPE2.0";
    const std::array<unsigned char, 3> loopForever = {1, 0, 0};
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(gif, 11, kApplication) == GIF_OK &&
           EGifPutExtensionBlock(gif, static_cast<int>(loopForever.size()), loopForever.data()) == GIF_OK &&
           EGifPutExtensionTrailer(gif) == GIF_OK;
}

void PutLe16(std::vector<unsigned char>& out, unsigned value) {
    out.push_back(static_cast<unsigned char>(value & 0xFF));
    out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

void PutLe32(std::vector<unsigned char>& out, uint32_t value) {
    PutLe16(out, value & 0xFFFF);
    PutLe16(out, value >> 16);
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes) {
    if (bytes.empty()) {
        return false;
    }
    const std::string temp = path + ".part";
    FILE* file = std::fopen(temp.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

bool WriteAnimatedGif(const std::string& path, const std::vector<std::unique_ptr<Canvas>>& frames,
                      int delayCentiseconds, const Rgba& matte, const std::vector<Rgba>& inks) {
    if (frames.empty() || inks.size() > 3) {
        return false;
    }
    const int width = frames.front()->Width();
    const int height = frames.front()->Height();
    const std::vector<PaletteColour> palette = BuildPalette(matte, inks);
    std::array<GifColorType, kPaletteSize> colours{};
    for (int i = 0; i < kPaletteSize; ++i) {
        colours[i] = {static_cast<GifByteType>(palette[i].r), static_cast<GifByteType>(palette[i].g),
                      static_cast<GifByteType>(palette[i].b)};
    }

    const std::string temp = path + ".part";
    int error = 0;
    GifFileType* gif = EGifOpenFileName(temp.c_str(), false, &error);
    if (gif == nullptr) {
        return false;
    }
    EGifSetGifVersion(gif, true);
    ColorMapObject* map = GifMakeMapObject(kPaletteSize, colours.data());
    bool ok = map != nullptr && EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK && PutLoopExtension(gif);
    for (const auto& frame : frames) {
        if (!ok) {
            break;
        }
        if (frame->Width() != width || frame->Height() != height) {
            ok = false;
            break;
        }
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_BACKGROUND;
        control.DelayTime = delayCentiseconds;
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        std::array<GifByteType, 4> extension{};
        EGifGCBToExtension(&control, extension.data());
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(extension.size()), extension.data()) ==
                 GIF_OK &&
             EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
        std::vector<GifPixelType> indexes = Quantise(*frame, matte, palette);
        for (int y = 0; ok && y < height; ++y) {
            ok = EGifPutLine(gif, indexes.data() + static_cast<size_t>(y) * width, width) == GIF_OK;
        }
    }
    ok = (EGifCloseFile(gif, &error) == GIF_OK) && ok;
    GifFreeMapObject(map);
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

bool WriteIcon(const std::string& path, const std::vector<std::unique_ptr<Canvas>>& images) {
    constexpr size_t kHeaderSize = 6;
    constexpr size_t kEntrySize = 16;
    constexpr int kMaxIconSize = 256;
    std::vector<std::vector<unsigned char>> pngs;
    for (const auto& image : images) {
        if (image->Width() != image->Height() || image->Width() > kMaxIconSize) {
            return false;
        }
        pngs.push_back(image->EncodePng());
        if (pngs.back().empty()) {
            return false;
        }
    }
    std::vector<unsigned char> out;
    PutLe16(out, 0);  // reserved
    PutLe16(out, 1);  // resource type: icon
    PutLe16(out, static_cast<unsigned>(images.size()));
    uint32_t offset = static_cast<uint32_t>(kHeaderSize + kEntrySize * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const int size = images[i]->Width();
        // A width or height of 256 is written as 0.
        out.push_back(static_cast<unsigned char>(size == kMaxIconSize ? 0 : size));
        out.push_back(static_cast<unsigned char>(size == kMaxIconSize ? 0 : size));
        out.push_back(0);  // no palette
        out.push_back(0);  // reserved
        PutLe16(out, 1);   // colour planes
        PutLe16(out, 32);  // bits per pixel
        PutLe32(out, static_cast<uint32_t>(pngs[i].size()));
        PutLe32(out, offset);
        offset += static_cast<uint32_t>(pngs[i].size());
    }
    for (const auto& png : pngs) {
        out.insert(out.end(), png.begin(), png.end());
    }
    return WriteFileAtomically(path, out);
}

}  // namespace skingen
