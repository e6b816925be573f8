// Platform: the toolkit's window system, on SDL2. One SDL event loop on the
// UI thread feeds every toolkit window; the toolkit's messages travel as SDL
// user events, so PostMessage works from any thread. Each window paints into
// one back buffer (the window surface itself where its pixel format allows)
// and presents only the changed rectangles.
//
// Index: start-up; windows; messages and the loop; painting; window timers
// and the clock; input state; injected input and pixels for tests.
//
// Everything but PostMessage, PostQuitMessage, InvalidateRect and IsWindow
// runs on the UI thread (the thread that called Init).
#pragma once

#include <cstdint>

#include "ui/base/CString.h"
#include "ui/core/Types.h"

class MWindow;
class MCanvas;
class MImage;

// What kind of native window to make.
enum class WindowKind { Normal, Popup, Tooltip };

// Cursor shapes.
enum class CursorKind { Arrow, Wait, Cross, SizeWE, SizeNS, Hand, Help };

class Platform {
public:
    Platform() = delete;

    // Starts the video subsystem once; without a display (no DISPLAY or
    // WAYLAND_DISPLAY, or TASTRA_UI_HEADLESS=1) windows are offscreen.
    static bool Init();
    [[nodiscard]] static bool IsHeadless();

    // Windows. The rect is in screen coordinates. The new window is hidden.
    static HWND CreateNativeWindow(MWindow* owner, HWND parent, const CString& title, const CRect& rect,
                                   WindowKind kind);
    // Sends WM_DESTROY and WM_NCDESTROY to the owner, then frees the window.
    static void DestroyNativeWindow(HWND hwnd);
    [[nodiscard]] static bool IsWindow(HWND hwnd);
    [[nodiscard]] static MWindow* GetOwner(HWND hwnd);
    [[nodiscard]] static HWND GetParent(HWND hwnd);
    static void ShowWindow(HWND hwnd, int cmd);
    [[nodiscard]] static bool IsWindowVisible(HWND hwnd);
    [[nodiscard]] static bool IsIconic(HWND hwnd);
    [[nodiscard]] static bool IsZoomed(HWND hwnd);
    static void Maximize(HWND hwnd, bool maximize);
    static void EnableWindow(HWND hwnd, bool enable);
    [[nodiscard]] static bool IsWindowEnabled(HWND hwnd);
    static void Raise(HWND hwnd);
    [[nodiscard]] static HWND GetActiveWindow();
    static void SetWindowRect(HWND hwnd, const CRect& screenRect);
    [[nodiscard]] static CRect GetWindowRect(HWND hwnd);
    [[nodiscard]] static CRect GetClientRect(HWND hwnd);
    static void SetWindowTitle(HWND hwnd, const CString& title);
    [[nodiscard]] static CString GetWindowTitle(HWND hwnd);
    // Usable area of the display that holds the window (or the first).
    [[nodiscard]] static CRect GetWorkArea(HWND hwnd);
    static void SetWindowIcon(HWND hwnd, const MImage* image);
    // Window opacity 0..255 where the platform offers it.
    static void SetWindowOpacity(HWND hwnd, uint8_t alpha);

    // Messages.
    static bool PostMessage(HWND hwnd, unsigned msg, WPARAM wParam, LPARAM lParam);
    static void PostQuitMessage(int exitCode);
    static LRESULT SendMessage(HWND hwnd, unsigned msg, WPARAM wParam, LPARAM lParam);
    // Waits for the next message; false when it is WM_QUIT.
    static bool GetMessage(MSG& msg);
    // The next message if one is ready now.
    static bool PeekMessage(MSG& msg);
    static LRESULT DispatchMessage(const MSG& msg);
    // What a window does with a message nobody handled (close destroys,
    // a caption press drags the window).
    static LRESULT DefWindowProc(HWND hwnd, unsigned msg, WPARAM wParam, LPARAM lParam);
    // Dispatches every message that is ready now (tests and modal helpers).
    // Returns false when a WM_QUIT was met (it is posted again).
    static bool PumpMessages();

    // Painting. InvalidateRect may be called from any thread; a null rect
    // means the whole client area. Paints are coalesced: at most one per
    // kMinPaintIntervalMs for each window, without blocking the loop.
    static void InvalidateRect(HWND hwnd, const CRect* rc);
    static bool GetUpdateRect(HWND hwnd, CRect& rc);
    // The back buffer with the update rect taken (and cleared); null when
    // there is nothing to paint.
    static MCanvas* BeginPaint(HWND hwnd, CRect& update);
    // Presents the rect of the back buffer.
    static void EndPaint(HWND hwnd, const CRect& update);
    // Paints now when something is pending (ignores the rate cap).
    static void UpdateWindow(HWND hwnd);
    static constexpr unsigned kMinPaintIntervalMs = 15;

    // Window timers, delivered as WM_TIMER on the UI thread.
    static bool SetTimer(HWND hwnd, unsigned id, unsigned elapseMs);
    static bool KillTimer(HWND hwnd, unsigned id);
    // The toolkit clock in ms. Tests may drive it by hand.
    [[nodiscard]] static uint64_t NowMs();
    static void UseManualClock(bool manual);
    static void AdvanceClock(unsigned ms);

    // Input state as the loop has seen it.
    [[nodiscard]] static bool IsKeyDown(unsigned vk);
    [[nodiscard]] static unsigned GetModifierFlags();
    [[nodiscard]] static bool HasFocus(HWND hwnd);
    static void SetFocus(HWND hwnd);
    static void SetCapture(HWND hwnd);
    static void ReleaseCapture();
    [[nodiscard]] static HWND GetCapture();
    static void SetCursor(CursorKind kind);
    // Moves the window with the pointer until the button goes up.
    static void StartWindowDrag(HWND hwnd);

    // Injected input: the same path as real input.
    static void InjectMouseMove(HWND hwnd, CPoint client);
    static void InjectMouseButton(HWND hwnd, CPoint client, int button, bool down, int clicks = 1);
    static void InjectWheel(HWND hwnd, CPoint client, int delta);
    static void InjectKey(HWND hwnd, unsigned vk, bool down);
    static void InjectText(HWND hwnd, const CString& text);
    static void InjectActivate(HWND hwnd, bool active);
    static void InjectClose(HWND hwnd);
    static void InjectFileDrop(HWND hwnd, const CString& path);
    // Unpremultiplied ARGB of the presented back buffer.
    [[nodiscard]] static uint32_t GetPixel(HWND hwnd, int x, int y);
    static bool SaveWindowPng(HWND hwnd, const std::string& utf8Path);
};
