// Screen capture on X11: the root window read through MIT-SHM (a plain
// XGetImage where shared memory is not available, e.g. a remote display),
// then shrunk by nearest pixel. The connection is private to the object and
// used only by the thread that calls Capture.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <chrono>
#include <mutex>

#include "platform/ScreenCapture.h"

namespace {

constexpr auto kReconnectPause = std::chrono::seconds(1);

// X errors raised by our own requests are noted instead of ending the
// process; every other error goes to the handler that was there before.
thread_local bool t_trapErrors = false;
thread_local bool t_errorSeen = false;
XErrorHandler g_previousHandler = nullptr;

int OnXError(Display* display, XErrorEvent* event) {
    if (t_trapErrors) {
        t_errorSeen = true;
        return 0;
    }
    return g_previousHandler ? g_previousHandler(display, event) : 0;
}

void InstallErrorHandler() {
    static std::once_flag once;
    std::call_once(once, [] { g_previousHandler = XSetErrorHandler(&OnXError); });
}

class ErrorTrap {
public:
    ErrorTrap() {
        t_trapErrors = true;
        t_errorSeen = false;
    }
    ~ErrorTrap() { t_trapErrors = false; }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    // Waits for the server's answers to everything sent so far.
    [[nodiscard]] bool Failed(Display* display) const {
        XSync(display, False);
        return t_errorSeen;
    }
};

int MaskShift(unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

class ScreenCaptureX11 final : public ScreenCapture {
public:
    explicit ScreenCaptureX11(std::string display) : m_displayName(std::move(display)) {}
    ~ScreenCaptureX11() override { Disconnect(); }

    bool Capture(int width, int height, std::vector<uint32_t>& out) override {
        if (width <= 0 || height <= 0) return false;
        if (!m_display && !Connect()) return false;
        XWindowAttributes attrs{};
        XImage* image = nullptr;
        {
            ErrorTrap trap;
            if (!XGetWindowAttributes(m_display, m_root, &attrs) || attrs.width <= 0 || attrs.height <= 0) {
                return false;
            }
            if (attrs.width != m_screenWidth || attrs.height != m_screenHeight) {
                DropImage();
                m_screenWidth = attrs.width;
                m_screenHeight = attrs.height;
            }
            if (m_useShm && !m_shmImage) CreateShmImage(attrs);
            if (m_shmImage) {
                if (XShmGetImage(m_display, m_root, m_shmImage, 0, 0, AllPlanes) && !trap.Failed(m_display)) {
                    image = m_shmImage;
                } else {
                    // Refused (the screen may have changed size under us): read this
                    // one the plain way and set up the shared image again next time.
                    DropImage();
                }
            }
            if (!image) {
                image = XGetImage(m_display, m_root, 0, 0, static_cast<unsigned>(attrs.width),
                                  static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap);
                if (!image || trap.Failed(m_display)) {
                    if (image) XDestroyImage(image);
                    return false;
                }
            }
        }
        Shrink(image, width, height, out);
        if (image != m_shmImage) XDestroyImage(image);
        return true;
    }

private:
    bool Connect() {
        auto now = std::chrono::steady_clock::now();
        if (m_triedConnect && now - m_lastConnect < kReconnectPause) return false;
        m_triedConnect = true;
        m_lastConnect = now;
        InstallErrorHandler();
        m_display = XOpenDisplay(m_displayName.empty() ? nullptr : m_displayName.c_str());
        if (!m_display) return false;
        m_root = DefaultRootWindow(m_display);
        m_useShm = XShmQueryExtension(m_display);
        return true;
    }

    void Disconnect() {
        if (!m_display) return;
        DropImage();
        XCloseDisplay(m_display);
        m_display = nullptr;
    }

    void CreateShmImage(const XWindowAttributes& attrs) {
        m_shmImage =
            XShmCreateImage(m_display, attrs.visual, static_cast<unsigned>(attrs.depth), ZPixmap, nullptr, &m_shmInfo,
                            static_cast<unsigned>(attrs.width), static_cast<unsigned>(attrs.height));
        if (!m_shmImage) {
            m_useShm = false;
            return;
        }
        size_t bytes = static_cast<size_t>(m_shmImage->bytes_per_line) * static_cast<size_t>(m_shmImage->height);
        m_shmInfo.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        void* memory = m_shmInfo.shmid >= 0 ? shmat(m_shmInfo.shmid, nullptr, 0) : reinterpret_cast<void*>(-1);
        if (memory == reinterpret_cast<void*>(-1)) {
            if (m_shmInfo.shmid >= 0) shmctl(m_shmInfo.shmid, IPC_RMID, nullptr);
            XDestroyImage(m_shmImage);
            m_shmImage = nullptr;
            m_useShm = false;
            return;
        }
        m_shmInfo.shmaddr = m_shmImage->data = static_cast<char*>(memory);
        m_shmInfo.readOnly = False;
        ErrorTrap trap;
        bool attached = XShmAttach(m_display, &m_shmInfo) && !trap.Failed(m_display);
        // Marked for removal now, so the segment goes away with the last detach
        // even if the process dies.
        shmctl(m_shmInfo.shmid, IPC_RMID, nullptr);
        m_shmAttached = attached;
        if (!attached) {
            DropImage();
            m_useShm = false;
        }
    }

    void DropImage() {
        if (!m_shmImage) return;
        if (m_shmAttached) {
            XShmDetach(m_display, &m_shmInfo);
            XSync(m_display, False);
        }
        shmdt(m_shmInfo.shmaddr);
        m_shmImage->data = nullptr;
        XDestroyImage(m_shmImage);
        m_shmImage = nullptr;
        m_shmAttached = false;
    }

    // Nearest-pixel reduction of the whole image.
    static void Shrink(XImage* image, int width, int height, std::vector<uint32_t>& out) {
        out.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
        const int redShift = MaskShift(image->red_mask);
        const int greenShift = MaskShift(image->green_mask);
        const int blueShift = MaskShift(image->blue_mask);
        const bool direct32 = image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
                              image->red_mask == 0xFF0000 && image->green_mask == 0xFF00 && image->blue_mask == 0xFF;
        for (int y = 0; y < height; ++y) {
            int sy = static_cast<int>(static_cast<int64_t>(y) * image->height / height);
            uint32_t* dst = out.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
            const char* row = image->data + static_cast<size_t>(sy) * static_cast<size_t>(image->bytes_per_line);
            for (int x = 0; x < width; ++x) {
                int sx = static_cast<int>(static_cast<int64_t>(x) * image->width / width);
                if (direct32) {
                    dst[x] = reinterpret_cast<const uint32_t*>(row)[sx] & 0xFFFFFF;
                    continue;
                }
                unsigned long pixel = XGetPixel(image, sx, sy);
                auto channel = [&](unsigned long mask, int shift) {
                    unsigned long max = mask >> shift;
                    return max ? static_cast<uint32_t>(((pixel & mask) >> shift) * 255 / max) : 0u;
                };
                dst[x] = channel(image->red_mask, redShift) << 16 | channel(image->green_mask, greenShift) << 8 |
                         channel(image->blue_mask, blueShift);
            }
        }
    }

    std::string m_displayName;
    Display* m_display = nullptr;
    Window m_root = 0;
    bool m_useShm = false;
    bool m_shmAttached = false;
    XImage* m_shmImage = nullptr;
    XShmSegmentInfo m_shmInfo{};
    int m_screenWidth = 0;
    int m_screenHeight = 0;
    bool m_triedConnect = false;
    std::chrono::steady_clock::time_point m_lastConnect{};
};

}  // namespace

std::unique_ptr<ScreenCapture> CreateScreenCapture(const std::string& display) {
    return std::make_unique<ScreenCaptureX11>(display);
}
