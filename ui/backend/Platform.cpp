#include "ui/backend/Platform.h"

#include <SDL.h>
#include <cairo.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

#include "ui/backend/MCanvas.h"
#include "ui/backend/MImage.h"
#include "ui/window/MWindow.h"

struct OrbelWindow {
    SDL_Window* sdl = nullptr;
    Uint32 sdlId = 0;
    MWindow* owner = nullptr;
    HWND parent = nullptr;
    WindowKind kind = WindowKind::Normal;
    bool enabled = true;
    bool visible = false;
    // Guarded by the registry lock (read from any thread).
    CRect update;
    CSize size;
    bool wakePosted = false;
    // UI thread only.
    uint64_t lastPaintMs = 0;
    uint64_t paintCount = 0;
    bool painted = false;
    std::unique_ptr<MCanvas> back;
    bool backIsSurface = false;
    SDL_Surface* surface = nullptr;
    CString title;
    SDL_Surface* icon = nullptr;
};

namespace {

// Posted toolkit messages and the loop's wake-ups.
Uint32 g_postEvent = static_cast<Uint32>(-1);
Uint32 g_wakeEvent = static_cast<Uint32>(-1);
std::atomic<bool> g_initialised{false};
bool g_headless = false;

// Every live window; InvalidateRect and PostMessage look windows up here from
// any thread.
std::mutex g_registryLock;
std::map<HWND, Uint32> g_windows;

std::deque<MSG> g_queue;  // translated messages waiting for GetMessage (UI thread)

struct WindowTimer {
    HWND hwnd = nullptr;
    unsigned id = 0;
    unsigned elapse = 0;
    uint64_t due = 0;
};
std::mutex g_timerLock;
std::vector<WindowTimer> g_timers;

std::atomic<bool> g_manualClock{false};
std::atomic<uint64_t> g_manualNow{0};

bool g_keys[256] = {};
unsigned g_mouseButtons = 0;
HWND g_capture = nullptr;
HWND g_focus = nullptr;
std::map<CursorKind, SDL_Cursor*> g_cursors;

struct DragState {
    HWND hwnd = nullptr;
    CPoint startMouse;
    CPoint startWindow;
} g_drag;

// Screen position of the pointer as the last mouse event put it.
CPoint g_lastPointer;

bool Live(HWND hwnd) {
    std::lock_guard guard(g_registryLock);
    return hwnd && g_windows.count(hwnd) != 0;
}

HWND FromSdlId(Uint32 id) {
    if (id == 0) return nullptr;
    std::lock_guard guard(g_registryLock);
    for (const auto& [hwnd, sdlId] : g_windows)
        if (sdlId == id) return hwnd;
    return nullptr;
}

unsigned VkFromKeycode(SDL_Keycode k) {
    if (k >= SDLK_a && k <= SDLK_z) return 'A' + static_cast<unsigned>(k - SDLK_a);
    if (k >= SDLK_0 && k <= SDLK_9) return '0' + static_cast<unsigned>(k - SDLK_0);
    if (k >= SDLK_F1 && k <= SDLK_F12) return VK_F1 + static_cast<unsigned>(k - SDLK_F1);
    if (k >= SDLK_F13 && k <= SDLK_F24) return VK_F1 + 12 + static_cast<unsigned>(k - SDLK_F13);
    if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return VK_NUMPAD0 + 1 + static_cast<unsigned>(k - SDLK_KP_1);
    static const std::pair<SDL_Keycode, unsigned> kTable[] = {
        {SDLK_BACKSPACE, VK_BACK},
        {SDLK_TAB, VK_TAB},
        {SDLK_RETURN, VK_RETURN},
        {SDLK_KP_ENTER, VK_RETURN},
        {SDLK_LSHIFT, VK_LSHIFT},
        {SDLK_RSHIFT, VK_RSHIFT},
        {SDLK_LCTRL, VK_LCONTROL},
        {SDLK_RCTRL, VK_RCONTROL},
        {SDLK_LALT, VK_LMENU},
        {SDLK_RALT, VK_RMENU},
        {SDLK_PAUSE, VK_PAUSE},
        {SDLK_CAPSLOCK, VK_CAPITAL},
        {SDLK_ESCAPE, VK_ESCAPE},
        {SDLK_SPACE, VK_SPACE},
        {SDLK_PAGEUP, VK_PRIOR},
        {SDLK_PAGEDOWN, VK_NEXT},
        {SDLK_END, VK_END},
        {SDLK_HOME, VK_HOME},
        {SDLK_LEFT, VK_LEFT},
        {SDLK_UP, VK_UP},
        {SDLK_RIGHT, VK_RIGHT},
        {SDLK_DOWN, VK_DOWN},
        {SDLK_PRINTSCREEN, VK_SNAPSHOT},
        {SDLK_INSERT, VK_INSERT},
        {SDLK_DELETE, VK_DELETE},
        {SDLK_LGUI, VK_LWIN},
        {SDLK_RGUI, VK_RWIN},
        {SDLK_APPLICATION, VK_APPS},
        {SDLK_KP_0, VK_NUMPAD0},
        {SDLK_KP_MULTIPLY, VK_MULTIPLY},
        {SDLK_KP_PLUS, VK_ADD},
        {SDLK_KP_MINUS, VK_SUBTRACT},
        {SDLK_KP_PERIOD, VK_DECIMAL},
        {SDLK_KP_DIVIDE, VK_DIVIDE},
        {SDLK_NUMLOCKCLEAR, VK_NUMLOCK},
        {SDLK_SCROLLLOCK, VK_SCROLL},
        {SDLK_SEMICOLON, VK_OEM_1},
        {SDLK_EQUALS, VK_OEM_PLUS},
        {SDLK_COMMA, VK_OEM_COMMA},
        {SDLK_MINUS, VK_OEM_MINUS},
        {SDLK_PERIOD, VK_OEM_PERIOD},
        {SDLK_SLASH, VK_OEM_2},
        {SDLK_BACKQUOTE, VK_OEM_3},
        {SDLK_LEFTBRACKET, VK_OEM_4},
        {SDLK_BACKSLASH, VK_OEM_5},
        {SDLK_RIGHTBRACKET, VK_OEM_6},
        {SDLK_QUOTE, VK_OEM_7},
    };
    for (const auto& [key, vk] : kTable)
        if (key == k) return vk;
    return 0;
}

SDL_Keycode KeycodeFromVk(unsigned vk) {
    if (vk == VK_SHIFT) return SDLK_LSHIFT;
    if (vk == VK_CONTROL) return SDLK_LCTRL;
    if (vk == VK_MENU) return SDLK_LALT;
    static const SDL_Keycode kProbe[] = {
        SDLK_BACKSPACE,    SDLK_TAB,   SDLK_RETURN, SDLK_LSHIFT, SDLK_RSHIFT,    SDLK_LCTRL,       SDLK_RCTRL,
        SDLK_LALT,         SDLK_RALT,  SDLK_ESCAPE, SDLK_SPACE,  SDLK_PAGEUP,    SDLK_PAGEDOWN,    SDLK_END,
        SDLK_HOME,         SDLK_LEFT,  SDLK_UP,     SDLK_RIGHT,  SDLK_DOWN,      SDLK_INSERT,      SDLK_DELETE,
        SDLK_F1,           SDLK_F2,    SDLK_F3,     SDLK_F4,     SDLK_F5,        SDLK_F6,          SDLK_F7,
        SDLK_F8,           SDLK_F9,    SDLK_F10,    SDLK_F11,    SDLK_F12,       SDLK_SEMICOLON,   SDLK_EQUALS,
        SDLK_COMMA,        SDLK_MINUS, SDLK_PERIOD, SDLK_SLASH,  SDLK_BACKQUOTE, SDLK_LEFTBRACKET, SDLK_BACKSLASH,
        SDLK_RIGHTBRACKET, SDLK_QUOTE, SDLK_KP_0,   SDLK_KP_1,   SDLK_KP_9,      SDLK_CAPSLOCK};
    if (vk >= 'A' && vk <= 'Z') return SDLK_a + static_cast<SDL_Keycode>(vk - 'A');
    if (vk >= '0' && vk <= '9') return SDLK_0 + static_cast<SDL_Keycode>(vk - '0');
    for (SDL_Keycode k : kProbe)
        if (VkFromKeycode(k) == vk) return k;
    return SDLK_UNKNOWN;
}

void UpdateModifierKeys() {
    g_keys[VK_SHIFT] = g_keys[VK_LSHIFT] || g_keys[VK_RSHIFT];
    g_keys[VK_CONTROL] = g_keys[VK_LCONTROL] || g_keys[VK_RCONTROL];
    g_keys[VK_MENU] = g_keys[VK_LMENU] || g_keys[VK_RMENU];
}

unsigned MouseKeyFlags() {
    unsigned f = 0;
    if (g_mouseButtons & SDL_BUTTON_LMASK) f |= MK_LBUTTON;
    if (g_mouseButtons & SDL_BUTTON_RMASK) f |= MK_RBUTTON;
    if (g_mouseButtons & SDL_BUTTON_MMASK) f |= MK_MBUTTON;
    if (g_keys[VK_SHIFT]) f |= MK_SHIFT;
    if (g_keys[VK_CONTROL]) f |= MK_CONTROL;
    return f;
}

CPoint WindowPosition(HWND hwnd) {
    int x = 0;
    int y = 0;
    SDL_GetWindowPosition(hwnd->sdl, &x, &y);
    return {x, y};
}

void Enqueue(HWND hwnd, unsigned msg, WPARAM w, LPARAM l) {
    g_queue.push_back({hwnd, msg, w, l});
}

// Turns one SDL event into toolkit messages.
void Translate(const SDL_Event& e) {
    if (e.type == g_wakeEvent) return;
    if (e.type == g_postEvent) {
        HWND hwnd = FromSdlId(e.user.windowID);
        if (e.user.windowID != 0 && !hwnd) return;  // the window is gone
        Enqueue(hwnd, static_cast<unsigned>(e.user.code), reinterpret_cast<WPARAM>(e.user.data1),
                reinterpret_cast<LPARAM>(e.user.data2));
        return;
    }
    switch (e.type) {
        case SDL_MOUSEMOTION: {
            HWND hwnd = FromSdlId(e.motion.windowID);
            if (!hwnd) return;
            if (g_drag.hwnd == hwnd) {
                const CPoint pos = WindowPosition(hwnd);
                const CPoint mouse(pos.x + e.motion.x, pos.y + e.motion.y);
                g_lastPointer = mouse;
                SDL_SetWindowPosition(hwnd->sdl, g_drag.startWindow.x + mouse.x - g_drag.startMouse.x,
                                      g_drag.startWindow.y + mouse.y - g_drag.startMouse.y);
                return;
            }
            {
                const CPoint pos = WindowPosition(hwnd);
                g_lastPointer = {pos.x + e.motion.x, pos.y + e.motion.y};
            }
            if (!hwnd->enabled) return;
            Enqueue(hwnd, WM_MOUSEMOVE, MouseKeyFlags(), MakePointLParam(e.motion.x, e.motion.y));
            return;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            HWND hwnd = FromSdlId(e.button.windowID);
            const bool down = e.type == SDL_MOUSEBUTTONDOWN;
            const Uint32 mask = SDL_BUTTON(e.button.button);
            if (down)
                g_mouseButtons |= mask;
            else
                g_mouseButtons &= ~mask;
            if (!hwnd) return;
            {
                const CPoint pos = WindowPosition(hwnd);
                g_lastPointer = {pos.x + e.button.x, pos.y + e.button.y};
            }
            if (!down && g_drag.hwnd) {
                g_drag = DragState();
                return;
            }
            if (!hwnd->enabled) return;
            unsigned msg = 0;
            const bool dbl = down && e.button.clicks >= 2 && e.button.clicks % 2 == 0;
            if (e.button.button == SDL_BUTTON_LEFT)
                msg = down ? (dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN) : WM_LBUTTONUP;
            else if (e.button.button == SDL_BUTTON_RIGHT)
                msg = down ? (dbl ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN) : WM_RBUTTONUP;
            else if (e.button.button == SDL_BUTTON_MIDDLE)
                msg = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
            if (msg) Enqueue(hwnd, msg, MouseKeyFlags(), MakePointLParam(e.button.x, e.button.y));
            return;
        }
        case SDL_MOUSEWHEEL: {
            HWND hwnd = FromSdlId(e.wheel.windowID);
            if (!hwnd || !hwnd->enabled) return;
            float notches = e.wheel.preciseY;
            if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
            const int delta = static_cast<int>(notches * 120.0f + (notches < 0 ? -0.5f : 0.5f));
            int mx = e.wheel.mouseX;
            int my = e.wheel.mouseY;
            // The wheel message carries a screen point.
            const CPoint pos = WindowPosition(hwnd);
            const WPARAM w =
                (static_cast<WPARAM>(static_cast<uint16_t>(static_cast<int16_t>(delta))) << 16) | MouseKeyFlags();
            Enqueue(hwnd, WM_MOUSEWHEEL, w, MakePointLParam(pos.x + mx, pos.y + my));
            return;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const bool down = e.type == SDL_KEYDOWN;
            const unsigned vk = VkFromKeycode(e.key.keysym.sym);
            if (vk && vk < 256) g_keys[vk] = down;
            UpdateModifierKeys();
            HWND hwnd = FromSdlId(e.key.windowID);
            if (!hwnd || !hwnd->enabled || !vk) return;
            // The generic modifier codes, as the keys' messages name them.
            unsigned reported = vk;
            if (vk == VK_LSHIFT || vk == VK_RSHIFT) reported = VK_SHIFT;
            if (vk == VK_LCONTROL || vk == VK_RCONTROL) reported = VK_CONTROL;
            if (vk == VK_LMENU || vk == VK_RMENU) reported = VK_MENU;
            const bool sys = g_keys[VK_MENU] || reported == VK_MENU || reported == VK_F1 + 9;
            const unsigned msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
            const LPARAM l = (e.key.repeat ? (1L << 30) : 0) | 1 | (static_cast<LPARAM>(e.key.keysym.scancode) << 16);
            Enqueue(hwnd, msg, reported, l);
            return;
        }
        case SDL_TEXTINPUT: {
            HWND hwnd = FromSdlId(e.text.windowID);
            if (!hwnd || !hwnd->enabled) return;
            const CString text = CString::FromUtf8(e.text.text);
            for (char16_t ch : text.str()) Enqueue(hwnd, WM_CHAR, ch, 1);
            return;
        }
        case SDL_DROPFILE: {
            HWND hwnd = FromSdlId(e.drop.windowID);
            if (hwnd && e.drop.file) {
                // lParam carries a heap copy of the path; the receiver frees it
                // with delete (see MWindow).
                auto* path = new CString(CString::FromUtf8(e.drop.file));
                Enqueue(hwnd, WM_DROPFILES, 0, reinterpret_cast<LPARAM>(path));
            }
            if (e.drop.file) SDL_free(e.drop.file);
            return;
        }
        case SDL_WINDOWEVENT: {
            HWND hwnd = FromSdlId(e.window.windowID);
            if (!hwnd) return;
            switch (e.window.event) {
                case SDL_WINDOWEVENT_CLOSE:
                    Enqueue(hwnd, WM_CLOSE, 0, 0);
                    break;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    g_focus = hwnd;
                    Enqueue(hwnd, WM_NCACTIVATE, 1, 0);
                    Enqueue(hwnd, WM_ACTIVATE, 1, 0);
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    if (g_focus == hwnd) g_focus = nullptr;
                    Enqueue(hwnd, WM_NCACTIVATE, 0, 0);
                    Enqueue(hwnd, WM_ACTIVATE, 0, 0);
                    break;
                case SDL_WINDOWEVENT_LEAVE:
                    Enqueue(hwnd, WM_MOUSELEAVE, 0, 0);
                    break;
                case SDL_WINDOWEVENT_SIZE_CHANGED: {
                    std::lock_guard guard(g_registryLock);
                    hwnd->size = {e.window.data1, e.window.data2};
                }
                    hwnd->surface = nullptr;
                    hwnd->back.reset();
                    Enqueue(hwnd, WM_SIZE, 0, MakePointLParam(e.window.data1, e.window.data2));
                    Platform::InvalidateRect(hwnd, nullptr);
                    break;
                case SDL_WINDOWEVENT_MOVED:
                    Enqueue(hwnd, WM_MOVE, 0, MakePointLParam(e.window.data1, e.window.data2));
                    break;
                case SDL_WINDOWEVENT_EXPOSED:
                    Platform::InvalidateRect(hwnd, nullptr);
                    break;
                case SDL_WINDOWEVENT_MINIMIZED:
                    Enqueue(hwnd, WM_SIZE, 1, 0);
                    break;
                case SDL_WINDOWEVENT_RESTORED:
                    Platform::InvalidateRect(hwnd, nullptr);
                    break;
                default:
                    break;
            }
            return;
        }
        case SDL_QUIT:
            Enqueue(nullptr, WM_QUIT, 0, 0);
            return;
        default:
            return;
    }
}

// A due window timer or a due paint, when no posted message is waiting.
bool SynthesizeMessage(MSG& msg) {
    const uint64_t now = Platform::NowMs();
    {
        std::lock_guard guard(g_timerLock);
        WindowTimer* next = nullptr;
        for (auto& t : g_timers)
            if (t.due <= now && (!next || t.due < next->due)) next = &t;
        if (next) {
            next->due = now + next->elapse;
            msg = {next->hwnd, WM_TIMER, next->id, 0};
            return true;
        }
    }
    std::lock_guard guard(g_registryLock);
    for (auto& [hwnd, id] : g_windows) {
        (void)id;
        if (hwnd->update.IsRectEmpty()) continue;
        if (hwnd->painted && now < hwnd->lastPaintMs + Platform::kMinPaintIntervalMs) continue;
        msg = {hwnd, WM_PAINT, 0, 0};
        return true;
    }
    return false;
}

// Milliseconds until the next timer or paint is due (-1: none).
int NextDueInMs() {
    const uint64_t now = Platform::NowMs();
    uint64_t next = UINT64_MAX;
    {
        std::lock_guard guard(g_timerLock);
        for (const auto& t : g_timers) next = std::min(next, t.due);
    }
    {
        std::lock_guard guard(g_registryLock);
        for (const auto& [hwnd, id] : g_windows) {
            (void)id;
            if (!hwnd->update.IsRectEmpty())
                next = std::min(next, hwnd->painted ? hwnd->lastPaintMs + Platform::kMinPaintIntervalMs : now);
        }
    }
    if (next == UINT64_MAX) return -1;
    return next <= now ? 0 : static_cast<int>(std::min<uint64_t>(next - now, 1000));
}

// Translates pending events one at a time until one gives a message: what a
// message does (a window drag, a key state) shapes how the next event reads.
bool PollTranslated() {
    SDL_Event e;
    bool any = false;
    while (g_queue.empty() && SDL_PollEvent(&e)) {
        Translate(e);
        any = true;
    }
    return any;
}

void PushWake() {
    if (!g_initialised) return;
    SDL_Event e{};
    e.type = g_wakeEvent;
    SDL_PushEvent(&e);
}

void EnsureBackBuffer(HWND hwnd) {
    if (hwnd->back) return;
    int w = 0;
    int h = 0;
    SDL_GetWindowSize(hwnd->sdl, &w, &h);
    hwnd->surface = SDL_GetWindowSurface(hwnd->sdl);
    SDL_Surface* s = hwnd->surface;
    if (s && s->w == w && s->h == h &&
        (s->format->format == SDL_PIXELFORMAT_ARGB8888 || s->format->format == SDL_PIXELFORMAT_RGB888)) {
        hwnd->back = std::make_unique<MCanvas>(static_cast<uint32_t*>(s->pixels), w, h, s->pitch);
        hwnd->backIsSurface = true;
        return;
    }
    hwnd->back = std::make_unique<MCanvas>(w, h);
    hwnd->backIsSurface = false;
}

}  // namespace

bool Platform::Init() {
    if (g_initialised) return true;
    const char* forced = std::getenv("TASTRA_UI_HEADLESS");
    const bool noDisplay = !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY");
    if ((forced && forced[0] == '1') || (noDisplay && !std::getenv("SDL_VIDEODRIVER"))) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        g_headless = true;
    }
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The window surface itself is the back buffer: no GL texture copy of the
    // whole window on every present.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0)) g_headless = true;
    const Uint32 first = SDL_RegisterEvents(2);
    if (first == static_cast<Uint32>(-1)) return false;
    g_postEvent = first;
    g_wakeEvent = first + 1;
    SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
    g_initialised = true;
    return true;
}

bool Platform::IsHeadless() {
    return g_headless;
}

HWND Platform::CreateNativeWindow(MWindow* owner, HWND parent, const CString& title, const CRect& rect,
                                  WindowKind kind) {
    if (!Init()) return nullptr;
    Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
    if (kind == WindowKind::Popup) flags |= SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_POPUP_MENU;
    if (kind == WindowKind::Tooltip) flags |= SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_TOOLTIP;
    const int w = std::max(1, rect.Width());
    const int h = std::max(1, rect.Height());
    SDL_Window* sdl = SDL_CreateWindow(title.ToUtf8().c_str(), rect.left, rect.top, w, h, flags);
    if (!sdl) return nullptr;
    auto* window = new OrbelWindow;
    window->sdl = sdl;
    window->sdlId = SDL_GetWindowID(sdl);
    window->owner = owner;
    window->parent = Live(parent) ? parent : nullptr;
    window->kind = kind;
    window->title = title;
    window->size = {w, h};
    {
        std::lock_guard guard(g_registryLock);
        g_windows[window] = window->sdlId;
    }
    return window;
}

void Platform::DestroyNativeWindow(HWND hwnd) {
    if (!Live(hwnd)) return;
    // Owned windows go first, as the platform's own windows do.
    std::vector<HWND> owned;
    {
        std::lock_guard guard(g_registryLock);
        for (const auto& [w, id] : g_windows) {
            (void)id;
            if (w->parent == hwnd) owned.push_back(w);
        }
    }
    for (HWND w : owned) DestroyNativeWindow(w);
    if (!Live(hwnd)) return;
    SendMessage(hwnd, WM_DESTROY, 0, 0);
    SendMessage(hwnd, WM_NCDESTROY, 0, 0);
    {
        std::lock_guard guard(g_registryLock);
        g_windows.erase(hwnd);
    }
    {
        std::lock_guard guard(g_timerLock);
        g_timers.erase(
            std::remove_if(g_timers.begin(), g_timers.end(), [&](const WindowTimer& t) { return t.hwnd == hwnd; }),
            g_timers.end());
    }
    g_queue.erase(std::remove_if(g_queue.begin(), g_queue.end(), [&](const MSG& m) { return m.hwnd == hwnd; }),
                  g_queue.end());
    if (g_capture == hwnd) g_capture = nullptr;
    if (g_focus == hwnd) g_focus = nullptr;
    if (g_drag.hwnd == hwnd) g_drag = DragState();
    hwnd->back.reset();
    if (hwnd->icon) SDL_FreeSurface(hwnd->icon);
    SDL_DestroyWindow(hwnd->sdl);
    delete hwnd;
}

bool Platform::IsWindow(HWND hwnd) {
    return Live(hwnd);
}

MWindow* Platform::GetOwner(HWND hwnd) {
    return Live(hwnd) ? hwnd->owner : nullptr;
}

HWND Platform::GetParent(HWND hwnd) {
    return Live(hwnd) && Live(hwnd->parent) ? hwnd->parent : nullptr;
}

void Platform::ShowWindow(HWND hwnd, int cmd) {
    if (!Live(hwnd)) return;
    const bool wasVisible = hwnd->visible;
    switch (cmd) {
        case SW_HIDE:
            SDL_HideWindow(hwnd->sdl);
            hwnd->visible = false;
            break;
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
            SDL_ShowWindow(hwnd->sdl);
            SDL_MinimizeWindow(hwnd->sdl);
            hwnd->visible = true;
            break;
        case SW_SHOWMAXIMIZED:
            SDL_ShowWindow(hwnd->sdl);
            SDL_MaximizeWindow(hwnd->sdl);
            hwnd->visible = true;
            break;
        case SW_RESTORE:
            SDL_ShowWindow(hwnd->sdl);
            SDL_RestoreWindow(hwnd->sdl);
            hwnd->visible = true;
            break;
        default:
            SDL_ShowWindow(hwnd->sdl);
            if (cmd != SW_SHOWNOACTIVATE && hwnd->kind != WindowKind::Tooltip) SDL_RaiseWindow(hwnd->sdl);
            hwnd->visible = true;
            break;
    }
    if (wasVisible != hwnd->visible) {
        SendMessage(hwnd, WM_SHOWWINDOW, hwnd->visible ? 1 : 0, 0);
        if (hwnd->visible) InvalidateRect(hwnd, nullptr);
    }
    // Offscreen windows get no focus events of their own.
    if (g_headless && hwnd->visible && cmd != SW_SHOWNOACTIVATE && hwnd->kind != WindowKind::Tooltip &&
        g_focus != hwnd && (cmd == SW_SHOW || cmd == SW_SHOWNORMAL || cmd == SW_RESTORE))
        InjectActivate(hwnd, true);
}

bool Platform::IsWindowVisible(HWND hwnd) {
    return Live(hwnd) && hwnd->visible;
}

bool Platform::IsIconic(HWND hwnd) {
    return Live(hwnd) && (SDL_GetWindowFlags(hwnd->sdl) & SDL_WINDOW_MINIMIZED) != 0;
}

bool Platform::IsZoomed(HWND hwnd) {
    return Live(hwnd) && (SDL_GetWindowFlags(hwnd->sdl) & SDL_WINDOW_MAXIMIZED) != 0;
}

void Platform::Maximize(HWND hwnd, bool maximize) {
    if (!Live(hwnd)) return;
    if (maximize)
        SDL_MaximizeWindow(hwnd->sdl);
    else
        SDL_RestoreWindow(hwnd->sdl);
}

void Platform::EnableWindow(HWND hwnd, bool enable) {
    if (Live(hwnd)) hwnd->enabled = enable;
}

bool Platform::IsWindowEnabled(HWND hwnd) {
    return Live(hwnd) && hwnd->enabled;
}

void Platform::Raise(HWND hwnd) {
    if (!Live(hwnd)) return;
    SDL_RaiseWindow(hwnd->sdl);
    if (g_headless && g_focus != hwnd) InjectActivate(hwnd, true);
}

HWND Platform::GetActiveWindow() {
    return Live(g_focus) ? g_focus : nullptr;
}

void Platform::SetWindowRect(HWND hwnd, const CRect& rc) {
    if (!Live(hwnd)) return;
    int w = 0;
    int h = 0;
    SDL_GetWindowSize(hwnd->sdl, &w, &h);
    SDL_SetWindowPosition(hwnd->sdl, rc.left, rc.top);
    if (rc.Width() > 0 && rc.Height() > 0 && (w != rc.Width() || h != rc.Height())) {
        SDL_SetWindowSize(hwnd->sdl, rc.Width(), rc.Height());
        {
            std::lock_guard guard(g_registryLock);
            hwnd->size = rc.Size();
        }
        // Offscreen windows report no size change of their own.
        hwnd->back.reset();
        hwnd->surface = nullptr;
        Enqueue(hwnd, WM_SIZE, 0, MakePointLParam(rc.Width(), rc.Height()));
        InvalidateRect(hwnd, nullptr);
    }
}

CRect Platform::GetWindowRect(HWND hwnd) {
    if (!Live(hwnd)) return {};
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(hwnd->sdl, &x, &y);
    SDL_GetWindowSize(hwnd->sdl, &w, &h);
    return {x, y, x + w, y + h};
}

CRect Platform::GetClientRect(HWND hwnd) {
    if (!Live(hwnd)) return {};
    int w = 0, h = 0;
    SDL_GetWindowSize(hwnd->sdl, &w, &h);
    return {0, 0, w, h};
}

void Platform::SetWindowTitle(HWND hwnd, const CString& title) {
    if (!Live(hwnd)) return;
    hwnd->title = title;
    SDL_SetWindowTitle(hwnd->sdl, title.ToUtf8().c_str());
}

CString Platform::GetWindowTitle(HWND hwnd) {
    return Live(hwnd) ? hwnd->title : CString();
}

CRect Platform::GetWorkArea(HWND hwnd) {
    int display = Live(hwnd) ? SDL_GetWindowDisplayIndex(hwnd->sdl) : 0;
    if (display < 0) display = 0;
    SDL_Rect r{0, 0, 1280, 720};
    if (SDL_GetDisplayUsableBounds(display, &r) != 0) SDL_GetDisplayBounds(display, &r);
    if (r.w <= 0 || r.h <= 0) r = {0, 0, 1920, 1080};
    return {r.x, r.y, r.x + r.w, r.y + r.h};
}

void Platform::SetWindowIcon(HWND hwnd, const MImage* image) {
    if (!Live(hwnd) || !image) return;
    auto* surface = static_cast<cairo_surface_t*>(image->FrameSurface(0));
    if (!surface) return;
    cairo_surface_flush(surface);
    SDL_Surface* icon =
        SDL_CreateRGBSurfaceWithFormat(0, image->GetWidth(), image->GetHeight(), 32, SDL_PIXELFORMAT_ARGB8888);
    if (!icon) return;
    for (int y = 0; y < image->GetHeight(); ++y)
        for (int x = 0; x < image->GetWidth(); ++x)
            static_cast<uint32_t*>(icon->pixels)[static_cast<size_t>(y) * (icon->pitch / 4) + x] =
                image->GetPixel(x, y);
    SDL_SetWindowIcon(hwnd->sdl, icon);
    if (hwnd->icon) SDL_FreeSurface(hwnd->icon);
    hwnd->icon = icon;
}

void Platform::SetWindowOpacity(HWND hwnd, uint8_t alpha) {
    if (Live(hwnd)) SDL_SetWindowOpacity(hwnd->sdl, alpha / 255.0f);
}

bool Platform::PostMessage(HWND hwnd, unsigned msg, WPARAM wParam, LPARAM lParam) {
    if (!g_initialised) return false;
    SDL_Event e{};
    e.type = g_postEvent;
    {
        std::lock_guard guard(g_registryLock);
        if (hwnd) {
            auto it = g_windows.find(hwnd);
            if (it == g_windows.end()) return false;
            e.user.windowID = it->second;
        }
    }
    e.user.code = static_cast<Sint32>(msg);
    e.user.data1 = reinterpret_cast<void*>(wParam);
    e.user.data2 = reinterpret_cast<void*>(lParam);
    return SDL_PushEvent(&e) == 1;
}

void Platform::PostQuitMessage(int exitCode) {
    PostMessage(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

LRESULT Platform::SendMessage(HWND hwnd, unsigned msg, WPARAM wParam, LPARAM lParam) {
    if (!Live(hwnd)) return 0;
    return MWindow::WndProc(hwnd, msg, wParam, lParam);
}

bool Platform::PeekMessage(MSG& msg) {
    if (!g_initialised) return false;
    if (g_queue.empty()) PollTranslated();
    if (!g_queue.empty()) {
        msg = g_queue.front();
        g_queue.pop_front();
        return true;
    }
    return SynthesizeMessage(msg);
}

bool Platform::GetMessage(MSG& msg) {
    if (!Init()) {
        msg = {nullptr, WM_QUIT, 0, 0};
        return false;
    }
    for (;;) {
        if (PeekMessage(msg)) return msg.message != WM_QUIT;
        int wait = NextDueInMs();
        if (g_manualClock) wait = 10;  // the test moves the clock; look again soon
        SDL_Event e;
        if (wait < 0 ? SDL_WaitEvent(&e) : SDL_WaitEventTimeout(&e, std::max(wait, 1))) Translate(e);
    }
}

LRESULT Platform::DispatchMessage(const MSG& msg) {
    if (!msg.hwnd) return 0;
    if (msg.message == WM_PAINT) {
        if (!Live(msg.hwnd)) return 0;
        const uint64_t paintsBefore = msg.hwnd->paintCount;
        const LRESULT r = SendMessage(msg.hwnd, WM_PAINT, 0, 0);
        // A window that did not paint at all must not be asked again at once;
        // what was invalidated while it painted stays for the next paint.
        CRect rc;
        if (Live(msg.hwnd) && msg.hwnd->paintCount == paintsBefore && GetUpdateRect(msg.hwnd, rc)) {
            MCanvas* c = BeginPaint(msg.hwnd, rc);
            if (c) EndPaint(msg.hwnd, CRect());
        }
        return r;
    }
    return SendMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

LRESULT Platform::DefWindowProc(HWND hwnd, unsigned msg, WPARAM wParam, LPARAM) {
    if (!Live(hwnd)) return 0;
    switch (msg) {
        case WM_CLOSE:
            DestroyNativeWindow(hwnd);
            return 0;
        case WM_NCLBUTTONDOWN:
            if (wParam == HTCAPTION) StartWindowDrag(hwnd);
            return 0;
        default:
            return 0;
    }
}

bool Platform::PumpMessages() {
    if (!g_initialised) return true;
    MSG msg;
    // Bounded so that a window that keeps invalidating cannot hold a test.
    for (int i = 0; i < 10000 && PeekMessage(msg); ++i) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        DispatchMessage(msg);
    }
    return true;
}

void Platform::InvalidateRect(HWND hwnd, const CRect* rc) {
    bool wake = false;
    {
        std::lock_guard guard(g_registryLock);
        if (!hwnd || g_windows.count(hwnd) == 0) return;
        // The size kept here, not SDL's: this runs on any thread.
        CRect area(0, 0, hwnd->size.cx, hwnd->size.cy);
        if (rc) area.IntersectRect(area, *rc);
        if (area.IsRectEmpty()) return;
        hwnd->update.UnionRect(hwnd->update, area);
        wake = !hwnd->wakePosted;
        hwnd->wakePosted = true;
    }
    if (wake) PushWake();
}

bool Platform::GetUpdateRect(HWND hwnd, CRect& rc) {
    std::lock_guard guard(g_registryLock);
    if (!hwnd || g_windows.count(hwnd) == 0) return false;
    rc = hwnd->update;
    return !rc.IsRectEmpty();
}

MCanvas* Platform::BeginPaint(HWND hwnd, CRect& update) {
    if (!Live(hwnd)) return nullptr;
    {
        std::lock_guard guard(g_registryLock);
        update = hwnd->update;
        hwnd->update = CRect();
        hwnd->wakePosted = false;
    }
    hwnd->lastPaintMs = NowMs();
    hwnd->painted = true;
    ++hwnd->paintCount;
    EnsureBackBuffer(hwnd);
    if (!hwnd->back || !hwnd->back->IsValid()) return nullptr;
    update.IntersectRect(update, hwnd->back->Bounds());
    return hwnd->back.get();
}

void Platform::EndPaint(HWND hwnd, const CRect& update) {
    if (!Live(hwnd) || !hwnd->back || update.IsRectEmpty()) return;
    hwnd->back->Flush();
    SDL_Surface* s = hwnd->surface;
    if (!s) return;
    if (!hwnd->backIsSurface) {
        // The surface has another pixel format: convert the rect into it.
        const int bpp = s->format->BytesPerPixel;
        auto* dst = static_cast<uint8_t*>(s->pixels) + update.top * s->pitch + update.left * bpp;
        const auto* src = reinterpret_cast<const uint8_t*>(hwnd->back->Pixels()) + update.top * hwnd->back->Stride() +
                          update.left * 4;
        SDL_ConvertPixels(update.Width(), update.Height(), SDL_PIXELFORMAT_ARGB8888, src, hwnd->back->Stride(),
                          s->format->format, dst, s->pitch);
    }
    const SDL_Rect r{update.left, update.top, update.Width(), update.Height()};
    SDL_UpdateWindowSurfaceRects(hwnd->sdl, &r, 1);
}

void Platform::UpdateWindow(HWND hwnd) {
    CRect rc;
    if (GetUpdateRect(hwnd, rc)) DispatchMessage({hwnd, WM_PAINT, 0, 0});
}

bool Platform::SetTimer(HWND hwnd, unsigned id, unsigned elapseMs) {
    if (!Live(hwnd)) return false;
    elapseMs = std::max(elapseMs, 1u);
    {
        std::lock_guard guard(g_timerLock);
        bool found = false;
        for (auto& t : g_timers)
            if (t.hwnd == hwnd && t.id == id) {
                t.elapse = elapseMs;
                t.due = NowMs() + elapseMs;
                found = true;
            }
        if (!found) g_timers.push_back({hwnd, id, elapseMs, NowMs() + elapseMs});
    }
    PushWake();
    return true;
}

bool Platform::KillTimer(HWND hwnd, unsigned id) {
    std::lock_guard guard(g_timerLock);
    const auto before = g_timers.size();
    g_timers.erase(std::remove_if(g_timers.begin(), g_timers.end(),
                                  [&](const WindowTimer& t) { return t.hwnd == hwnd && t.id == id; }),
                   g_timers.end());
    return g_timers.size() != before;
}

uint64_t Platform::NowMs() {
    if (g_manualClock) return g_manualNow;
    return SDL_GetTicks64();
}

void Platform::UseManualClock(bool manual) {
    if (manual && !g_manualClock) g_manualNow = SDL_GetTicks64();
    g_manualClock = manual;
}

void Platform::AdvanceClock(unsigned ms) {
    g_manualNow += ms;
}

bool Platform::IsKeyDown(unsigned vk) {
    return vk < 256 && g_keys[vk];
}

unsigned Platform::GetModifierFlags() {
    return ComputeModifierFlags(g_keys[VK_SHIFT], g_keys[VK_CONTROL], g_keys[VK_MENU]);
}

bool Platform::HasFocus(HWND hwnd) {
    return hwnd && g_focus == hwnd;
}

void Platform::SetFocus(HWND hwnd) {
    if (!Live(hwnd)) return;
    SDL_RaiseWindow(hwnd->sdl);
    if (g_headless && g_focus != hwnd) InjectActivate(hwnd, true);
}

void Platform::SetCapture(HWND hwnd) {
    if (!Live(hwnd)) return;
    g_capture = hwnd;
    if (!g_headless) SDL_CaptureMouse(SDL_TRUE);
}

void Platform::ReleaseCapture() {
    if (g_capture && !g_headless) SDL_CaptureMouse(SDL_FALSE);
    g_capture = nullptr;
}

HWND Platform::GetCapture() {
    return Live(g_capture) ? g_capture : nullptr;
}

void Platform::SetCursor(CursorKind kind) {
    if (!g_initialised || g_headless) return;
    auto it = g_cursors.find(kind);
    if (it == g_cursors.end()) {
        SDL_SystemCursor id = SDL_SYSTEM_CURSOR_ARROW;
        switch (kind) {
            case CursorKind::Wait:
                id = SDL_SYSTEM_CURSOR_WAIT;
                break;
            case CursorKind::Cross:
                id = SDL_SYSTEM_CURSOR_CROSSHAIR;
                break;
            case CursorKind::SizeWE:
                id = SDL_SYSTEM_CURSOR_SIZEWE;
                break;
            case CursorKind::SizeNS:
                id = SDL_SYSTEM_CURSOR_SIZENS;
                break;
            case CursorKind::Hand:
                id = SDL_SYSTEM_CURSOR_HAND;
                break;
            default:
                break;
        }
        it = g_cursors.emplace(kind, SDL_CreateSystemCursor(id)).first;
    }
    if (it->second) SDL_SetCursor(it->second);
}

void Platform::StartWindowDrag(HWND hwnd) {
    if (!Live(hwnd)) return;
    CPoint start = g_lastPointer;
    if (!g_headless) {
        int mx = 0, my = 0;
        SDL_GetGlobalMouseState(&mx, &my);
        start = {mx, my};
    }
    g_drag = {hwnd, start, WindowPosition(hwnd)};
}

namespace {

void PushMouseButton(HWND hwnd, CPoint p, int button, bool down, int clicks) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = hwnd->sdlId;
    e.button.button = static_cast<Uint8>(button);
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = static_cast<Uint8>(clicks);
    e.button.x = p.x;
    e.button.y = p.y;
    SDL_PushEvent(&e);
}

}  // namespace

void Platform::InjectMouseMove(HWND hwnd, CPoint client) {
    if (!Live(hwnd)) return;
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = hwnd->sdlId;
    e.motion.x = client.x;
    e.motion.y = client.y;
    e.motion.state = g_mouseButtons;
    SDL_PushEvent(&e);
}

void Platform::InjectMouseButton(HWND hwnd, CPoint client, int button, bool down, int clicks) {
    if (!Live(hwnd)) return;
    PushMouseButton(hwnd, client, button, down, clicks);
}

void Platform::InjectWheel(HWND hwnd, CPoint client, int delta) {
    if (!Live(hwnd)) return;
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = hwnd->sdlId;
    e.wheel.preciseY = static_cast<float>(delta) / 120.0f;
    e.wheel.y = delta / 120;
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    e.wheel.mouseX = client.x;
    e.wheel.mouseY = client.y;
    SDL_PushEvent(&e);
}

void Platform::InjectKey(HWND hwnd, unsigned vk, bool down) {
    if (!Live(hwnd)) return;
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = hwnd->sdlId;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = KeycodeFromVk(vk);
    e.key.keysym.scancode = SDL_GetScancodeFromKey(e.key.keysym.sym);
    SDL_PushEvent(&e);
}

void Platform::InjectText(HWND hwnd, const CString& text) {
    if (!Live(hwnd)) return;
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = hwnd->sdlId;
    const std::string utf8 = text.ToUtf8();
    SDL_strlcpy(e.text.text, utf8.c_str(), sizeof(e.text.text));
    SDL_PushEvent(&e);
}

void Platform::InjectActivate(HWND hwnd, bool active) {
    if (!Live(hwnd)) return;
    // Activating one window deactivates the one that had the focus.
    if (active && Live(g_focus) && g_focus != hwnd) InjectActivate(g_focus, false);
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = hwnd->sdlId;
    e.window.event = active ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
    if (active)
        g_focus = hwnd;
    else if (g_focus == hwnd)
        g_focus = nullptr;
    SDL_PushEvent(&e);
}

void Platform::InjectClose(HWND hwnd) {
    if (!Live(hwnd)) return;
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = hwnd->sdlId;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&e);
}

void Platform::InjectFileDrop(HWND hwnd, const CString& path) {
    if (!Live(hwnd)) return;
    SDL_Event e{};
    e.type = SDL_DROPFILE;
    e.drop.windowID = hwnd->sdlId;
    e.drop.file = SDL_strdup(path.ToUtf8().c_str());
    if (SDL_PushEvent(&e) != 1) SDL_free(e.drop.file);
}

uint32_t Platform::GetPixel(HWND hwnd, int x, int y) {
    if (!Live(hwnd) || !hwnd->back) return 0;
    return hwnd->back->GetPixel(x, y);
}

bool Platform::SaveWindowPng(HWND hwnd, const std::string& utf8Path) {
    return Live(hwnd) && hwnd->back && hwnd->back->SavePng(utf8Path);
}
