// Every skin image the generator promises (tools/skingen/manifest.txt) is in
// the assembled data root, decodes, and has the promised size and frames.
#include <cairo.h>
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestEnv.h"

namespace {

struct ManifestEntry {
    std::string path;
    int width = 0;
    int height = 0;
    int frames = 0;
};

std::vector<ManifestEntry> ReadManifest() {
    std::vector<ManifestEntry> entries;
    std::istringstream in(testenv::ReadFile(testenv::SourceDir() + "/tools/skingen/manifest.txt"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        ManifestEntry e;
        std::istringstream fields(line);
        fields >> e.path >> e.width >> e.height >> e.frames;
        entries.push_back(e);
    }
    return entries;
}

std::string ThemePath(const std::string& relative) {
    return testenv::DataRoot() + "/skins/theme1/" + relative;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;

Surface LoadPng(const std::string& path) {
    return Surface(cairo_image_surface_create_from_png(path.c_str()), &cairo_surface_destroy);
}

struct ByteReader {
    const unsigned char* data;
    size_t size;
    size_t offset = 0;
};

cairo_status_t ReadBytes(void* closure, unsigned char* out, unsigned int length) {
    auto* reader = static_cast<ByteReader*>(closure);
    if (reader->offset + length > reader->size) {
        return CAIRO_STATUS_READ_ERROR;
    }
    std::memcpy(out, reader->data + reader->offset, length);
    reader->offset += length;
    return CAIRO_STATUS_SUCCESS;
}

// Premultiplied ARGB pixel at (x, y).
uint32_t PixelAt(cairo_surface_t* surface, int x, int y) {
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    return reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride)[x];
}

// A frame that the generator drew nothing into (a wrong frame offset, a
// state left out) is fully transparent.
bool FrameHasInk(cairo_surface_t* surface, int frame, int frameWidth) {
    const int height = cairo_image_surface_get_height(surface);
    for (int y = 0; y < height; ++y) {
        for (int x = frame * frameWidth; x < (frame + 1) * frameWidth; ++x) {
            if ((PixelAt(surface, x, y) >> 24) != 0) {
                return true;
            }
        }
    }
    return false;
}

void CheckPng(const ManifestEntry& e) {
    Surface surface = LoadPng(ThemePath(e.path));
    ASSERT_EQ(cairo_surface_status(surface.get()), CAIRO_STATUS_SUCCESS) << e.path << " does not decode as PNG";
    EXPECT_EQ(cairo_image_surface_get_width(surface.get()), e.width) << e.path;
    EXPECT_EQ(cairo_image_surface_get_height(surface.get()), e.height) << e.path;
    ASSERT_GT(e.frames, 0) << e.path;
    ASSERT_EQ(e.width % e.frames, 0) << e.path << ": frames of a strip must have equal widths";
    for (int frame = 0; frame < e.frames; ++frame) {
        EXPECT_TRUE(FrameHasInk(surface.get(), frame, e.width / e.frames))
            << e.path << " frame " << frame << " is empty";
    }
}

void CheckGif(const ManifestEntry& e) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(ThemePath(e.path).c_str(), &error);
    ASSERT_NE(gif, nullptr) << e.path << " does not open as GIF";
    const bool slurped = DGifSlurp(gif) == GIF_OK;
    EXPECT_TRUE(slurped) << e.path;
    if (slurped) {
        EXPECT_EQ(gif->SWidth, e.width) << e.path;
        EXPECT_EQ(gif->SHeight, e.height) << e.path;
        EXPECT_EQ(gif->ImageCount, e.frames) << e.path;
        // An animation whose frames are all the same shows no progress.
        if (gif->ImageCount >= 2) {
            const size_t pixels = static_cast<size_t>(gif->SWidth) * gif->SHeight;
            EXPECT_NE(std::memcmp(gif->SavedImages[0].RasterBits, gif->SavedImages[1].RasterBits, pixels), 0) << e.path;
        }
    }
    DGifCloseFile(gif, &error);
}

uint32_t Le32(const std::string& bytes, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

// An ICO of PNG entries: header, one directory entry per size, then data.
void CheckIco(const ManifestEntry& e) {
    const std::string bytes = testenv::ReadFile(ThemePath(e.path));
    ASSERT_GE(bytes.size(), 6u) << e.path;
    ASSERT_EQ(bytes[0], 0);
    ASSERT_EQ(bytes[2], 1) << e.path << " is not an icon resource";
    const int count = static_cast<unsigned char>(bytes[4]) | static_cast<unsigned char>(bytes[5]) << 8;
    ASSERT_EQ(count, e.frames) << e.path;
    ASSERT_GE(bytes.size(), 6u + 16u * count);
    int largest = 0;
    for (int i = 0; i < count; ++i) {
        const size_t entry = 6 + 16 * static_cast<size_t>(i);
        const int size = bytes[entry] == 0 ? 256 : static_cast<unsigned char>(bytes[entry]);
        const uint32_t length = Le32(bytes, entry + 8);
        const uint32_t offset = Le32(bytes, entry + 12);
        ASSERT_LE(static_cast<size_t>(offset) + length, bytes.size()) << e.path << " entry " << i;
        ByteReader reader{reinterpret_cast<const unsigned char*>(bytes.data()) + offset, length};
        Surface png(cairo_image_surface_create_from_png_stream(ReadBytes, &reader), &cairo_surface_destroy);
        ASSERT_EQ(cairo_surface_status(png.get()), CAIRO_STATUS_SUCCESS) << e.path << " entry " << i;
        EXPECT_EQ(cairo_image_surface_get_width(png.get()), size) << e.path << " entry " << i;
        EXPECT_EQ(cairo_image_surface_get_height(png.get()), size) << e.path << " entry " << i;
        largest = std::max(largest, size);
    }
    EXPECT_EQ(largest, e.width) << e.path;
}

TEST(SkinImages, EveryPromisedImageDecodesWithItsSize) {
    ASSERT_FALSE(testenv::DataRoot().empty());
    const std::vector<ManifestEntry> entries = ReadManifest();
    ASSERT_FALSE(entries.empty());
    for (const auto& e : entries) {
        SCOPED_TRACE(e.path);
        ASSERT_TRUE(testenv::FileExists(ThemePath(e.path))) << e.path << " is missing from the data root";
        if (EndsWith(e.path, ".png")) {
            CheckPng(e);
        } else if (EndsWith(e.path, ".gif")) {
            CheckGif(e);
        } else if (EndsWith(e.path, ".ico")) {
            CheckIco(e);
        } else {
            ADD_FAILURE() << e.path << " has no known image type";
        }
    }
}

// The names the controls ask for, in the sub-folders their data-relative
// names map to; a renamed or misplaced image shows up here first.
TEST(SkinImages, NamesTheControlsAskForArePresent) {
    const char* const names[] = {
        "pic_caption.png",
        "logo/logo.png",
        "main_sysbtn_close.png",
        "main_sysbtn_min.png",
        "icon/icon_battery_bkg.png",
        "icon/icon_charge.png",
        "icon/icon_batteryvalue.png",
        "icon/mode_usb.png",
        "icon/tab_home.png",
        "icon/tab_customkey.png",
        "icon/tab_macro.png",
        "icon/tab_light.png",
        "icon/tab_config.png",
        "icon/icon_keyboard.png",
        "icon/icon_macro.png",
        "icon/icon_lightmode.png",
        "icon/icon_config.png",
        "img_device_state.png",
        "imgbtn_add.png",
        "imgbtn_del.png",
        "imgbtn_edit.png",
        "imgbtn_import.png",
        "imgbtn_export.png",
        "img_edit.png",
        "icon/icon_circle.png",
        "img_customkey.png",
        "btn_apply.png",
        "btn_radiobox.png",
        "btn_checkbox.png",
        "btn_record_up.png",
        "btn_record_down.png",
        "btn_record_del.png",
        "img_combobox.png",
        "img_slider_back.png",
        "img_thumb.png",
        "btn_direction_left.png",
        "btn_direction_right.png",
        "btn_direction_top.png",
        "btn_direction_bottom.png",
        "btn_colorful.png",
        "img_circlepalette.png",
        "bk_prompt.png",
        "loading.gif",
        "loading/loading.gif",
        "logo/logo_loading.png",
        "img_sys_close.png",
        "img_tip_bk.png",
        "img_tip_arrow_left.png",
        "img_tip_arrow_right.png",
        "img_tip_arrow_top.png",
        "img_palette_thumb.png",
        "img_spin_up.png",
        "img_spin_down.png",
        "img_scroll_v.png",
        "img_scroll_h.png",
        "Tastra.ico",
        "icon/icon_pc.png",
        "icon/icon_cal.png",
        "icon/icon_email.png",
        "icon/icon_multimedia.png",
        "icon/icon_playpause.png",
        "icon/icon_stop.png",
        "icon/icon_pre.png",
        "icon/icon_next.png",
        "icon/icon_vol_down.png",
        "icon/icon_vol_up.png",
        "icon/icon_vol_mute.png",
        "icon/icon_home.png",
        "icon/icon_web_refresh.png",
        "icon/icon_web_stop.png",
        "icon/icon_web_backward.png",
        "icon/icon_web_foreward.png",
        "icon/icon_favorites.png",
        "icon/icon_web_search.png",
    };
    for (const char* name : names) {
        EXPECT_TRUE(testenv::FileExists(ThemePath(name))) << name;
    }
}

// The colour wheel is sampled by the pixel under the pointer, so it must
// show true colours: white at the centre, pure hues at the rim.
TEST(SkinImages, ColourWheelShowsTrueColours) {
    Surface wheel = LoadPng(ThemePath("img_circlepalette.png"));
    ASSERT_EQ(cairo_surface_status(wheel.get()), CAIRO_STATUS_SUCCESS);
    const int w = cairo_image_surface_get_width(wheel.get());
    const int h = cairo_image_surface_get_height(wheel.get());
    const auto rgb = [&](int x, int y) { return PixelAt(wheel.get(), x, y) & 0xFFFFFFu; };
    const auto near = [](uint32_t actual, uint32_t expected) {
        for (int shift = 0; shift < 24; shift += 8) {
            const int a = static_cast<int>((actual >> shift) & 0xFF);
            const int b = static_cast<int>((expected >> shift) & 0xFF);
            if (std::abs(a - b) > 24) {
                return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(near(rgb(w / 2, h / 2), 0xFFFFFF));
    EXPECT_TRUE(near(rgb(w - 4, h / 2), 0xFF0000)) << std::hex << rgb(w - 4, h / 2);
    EXPECT_EQ(PixelAt(wheel.get(), 0, 0) >> 24, 0u) << "the corners outside the wheel stay transparent";
}

TEST(SkinImages, DesktopEntryAndApplicationIcon) {
    const char* packaging = std::getenv("TASTRA_PACKAGING_DIR");
    ASSERT_NE(packaging, nullptr);
    Surface icon = LoadPng(std::string(packaging) + "/tastra.png");
    ASSERT_EQ(cairo_surface_status(icon.get()), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(icon.get()), 256);
    EXPECT_EQ(cairo_image_surface_get_height(icon.get()), 256);

    const std::string entry = testenv::ReadFile(std::string(packaging) + "/tastra.desktop");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(entry.find("\nIcon=tastra\n"), std::string::npos);
    // An absolute, quoted executable path, as the desktop entry format wants.
    EXPECT_NE(entry.find("\nExec=\"/"), std::string::npos);
    EXPECT_EQ(entry.find('@'), std::string::npos) << "unfilled template variable";
}

}  // namespace
