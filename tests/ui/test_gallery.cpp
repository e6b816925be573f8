// The gallery on a private Xvfb server: a real X window, clicked with
// xdotool; the click's notification comes out on stdout and the screenshot
// (read with Cairo from the X server) shows the pressed button's hover face
// and the overlay message.
// gtest goes before Xlib, whose macros (None, Bool ...) would break it.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <cairo-xlib.h>
#include <cairo.h>
// clang-format on

#include <chrono>
#include <thread>

#include "tests/support/TestEnv.h"
#include "tests/ui/XvfbServer.h"

using namespace uitest;

namespace {

// Unpremultiplied 0xRRGGBB of a pixel of the root window.
class Screenshot {
public:
    explicit Screenshot(const std::string& display) {
        Display* dpy = XOpenDisplay(display.c_str());
        if (!dpy) return;
        const int screen = DefaultScreen(dpy);
        const Window root = RootWindow(dpy, screen);
        XWindowAttributes attrs;
        XGetWindowAttributes(dpy, root, &attrs);
        cairo_surface_t* x =
            cairo_xlib_surface_create(dpy, root, DefaultVisual(dpy, screen), attrs.width, attrs.height);
        m_image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, attrs.width, attrs.height);
        cairo_t* cr = cairo_create(m_image);
        cairo_set_source_surface(cr, x, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(x);
        cairo_surface_flush(m_image);
        XCloseDisplay(dpy);
    }
    ~Screenshot() {
        if (m_image) cairo_surface_destroy(m_image);
    }
    [[nodiscard]] uint32_t Pixel(int x, int y) const {
        if (!m_image) return 0xDEADBEEF;
        const auto* row = cairo_image_surface_get_data(m_image) + y * cairo_image_surface_get_stride(m_image);
        return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
    }
    void Save(const std::string& path) const {
        if (m_image) cairo_surface_write_to_png(m_image, path.c_str());
    }

private:
    cairo_surface_t* m_image = nullptr;
};

bool Near(uint32_t a, uint32_t b, int tolerance = 6) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

}  // namespace

TEST(GalleryXvfbTest, ClickingTheButtonNotifiesAndShowsTheMessage) {
    XvfbServer x;
    if (!x.Start()) GTEST_SKIP() << "Xvfb did not start";
    const std::vector<std::string> env = {"DISPLAY=" + x.Display(), "TASTRA_UI_HEADLESS=0", "SDL_VIDEODRIVER=x11"};
    ChildProcess gallery;
    ASSERT_TRUE(gallery.Start({testenv::BinDir() + "/orbelui-gallery", "--quit-after", "30000"}, env));
    ASSERT_TRUE(gallery.WaitForLine("ready", 15000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    {
        Screenshot before(x.Display());
        EXPECT_TRUE(Near(before.Pixel(45, 45), 0x285055)) << std::hex << before.Pixel(45, 45);
        EXPECT_TRUE(Near(before.Pixel(700, 600), 0x090D13)) << std::hex << before.Pixel(700, 600);
    }
    // The button "Click me" sits at (40, 40)-(200, 80) of the window at (0, 0).
    ASSERT_EQ(RunWithEnv({"xdotool", "mousemove", "120", "60", "sleep", "0.2", "click", "1"}, env), 0);
    ASSERT_TRUE(gallery.WaitForLine("notify 100 2", 10000));  // CN_CLICKED from id 100
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    Screenshot after(x.Display());
    after.Save(testenv::MakeTempDir("shot") + "/gallery.png");
    // Hovered face of the button, away from its text.
    EXPECT_TRUE(Near(after.Pixel(45, 45), 0x3A7A82)) << std::hex << after.Pixel(45, 45);
    // The overlay box: 200 x 58, centred, 2 pixels above the bottom edge;
    // its inner fill is near white.
    EXPECT_TRUE(Near(after.Pixel(545, 712), 0xFEFEFE)) << std::hex << after.Pixel(545, 712);
    EXPECT_TRUE(Near(after.Pixel(541, 661), 0xE6E6E6)) << std::hex << after.Pixel(541, 661);
    gallery.Stop();
}
