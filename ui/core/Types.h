// Plain types shared by every layer of the toolkit: colours, window and
// canvas handles, window messages and their numbers, key codes, the control
// notification codes and modifier flags.
//
// Message, key and flag numbers keep the values the program's Windows form
// used, so application messages, stored key codes and exchange files mean the
// same on every platform.
#pragma once

#include <cstdint>

#include "ui/base/Geometry.h"

// 0x00BBGGRR: red in the low byte.
using COLORREF = uint32_t;
// 0xAARRGGBB, not premultiplied.
using ARGB = uint32_t;
using DWORD = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

// A native window of the back end; opaque above it.
struct OrbelWindow;
using HWND = OrbelWindow*;

// The drawing surface every control paints on (ui/backend/MCanvas.h).
class MCanvas;
using HDC = MCanvas*;

using RECT = CRect;
using POINT = CPoint;

[[nodiscard]] constexpr COLORREF RGB(uint8_t r, uint8_t g, uint8_t b) noexcept {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
[[nodiscard]] constexpr uint8_t GetRValue(COLORREF c) noexcept {
    return static_cast<uint8_t>(c & 0xFF);
}
[[nodiscard]] constexpr uint8_t GetGValue(COLORREF c) noexcept {
    return static_cast<uint8_t>((c >> 8) & 0xFF);
}
[[nodiscard]] constexpr uint8_t GetBValue(COLORREF c) noexcept {
    return static_cast<uint8_t>((c >> 16) & 0xFF);
}
[[nodiscard]] constexpr ARGB MakeARGB(uint8_t a, uint8_t r, uint8_t g, uint8_t b) noexcept {
    return (static_cast<ARGB>(a) << 24) | (static_cast<ARGB>(r) << 16) | (static_cast<ARGB>(g) << 8) | b;
}
// A COLORREF as an ARGB colour with the given alpha.
[[nodiscard]] constexpr ARGB ColorRefToArgb(COLORREF c, uint8_t alpha = 255) noexcept {
    return MakeARGB(alpha, GetRValue(c), GetGValue(c), GetBValue(c));
}
[[nodiscard]] constexpr uint8_t ArgbAlpha(ARGB c) noexcept {
    return static_cast<uint8_t>(c >> 24);
}

// Mouse positions travel in lParam as two signed 16-bit halves.
[[nodiscard]] constexpr LPARAM MakePointLParam(int x, int y) noexcept {
    return static_cast<LPARAM>((static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16) | static_cast<uint16_t>(x));
}
[[nodiscard]] constexpr CPoint PointFromLParam(LPARAM l) noexcept {
    return {static_cast<int16_t>(l & 0xFFFF), static_cast<int16_t>((l >> 16) & 0xFFFF)};
}

struct MSG {
    HWND hwnd = nullptr;
    unsigned message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// Window messages.
enum : unsigned {
    WM_NULL = 0x0000,
    WM_CREATE = 0x0001,
    WM_DESTROY = 0x0002,
    WM_MOVE = 0x0003,
    WM_SIZE = 0x0005,
    WM_ACTIVATE = 0x0006,
    WM_SETFOCUS = 0x0007,
    WM_KILLFOCUS = 0x0008,
    WM_PAINT = 0x000F,
    WM_CLOSE = 0x0010,
    WM_QUIT = 0x0012,
    WM_ERASEBKGND = 0x0014,
    WM_SHOWWINDOW = 0x0018,
    WM_ACTIVATEAPP = 0x001C,
    WM_SETCURSOR = 0x0020,
    WM_GETMINMAXINFO = 0x0024,
    WM_WINDOWPOSCHANGING = 0x0046,
    WM_WINDOWPOSCHANGED = 0x0047,
    WM_NCCREATE = 0x0081,
    WM_NCDESTROY = 0x0082,
    WM_NCCALCSIZE = 0x0083,
    WM_NCHITTEST = 0x0084,
    WM_NCPAINT = 0x0085,
    WM_NCACTIVATE = 0x0086,
    WM_NCLBUTTONDOWN = 0x00A1,
    WM_KEYDOWN = 0x0100,
    WM_KEYUP = 0x0101,
    WM_CHAR = 0x0102,
    WM_SYSKEYDOWN = 0x0104,
    WM_SYSKEYUP = 0x0105,
    WM_COMMAND = 0x0111,
    WM_TIMER = 0x0113,
    WM_CTLCOLOREDIT = 0x0133,
    WM_CTLCOLORSTATIC = 0x0138,
    WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_LBUTTONDBLCLK = 0x0203,
    WM_RBUTTONDOWN = 0x0204,
    WM_RBUTTONUP = 0x0205,
    WM_RBUTTONDBLCLK = 0x0206,
    WM_MBUTTONDOWN = 0x0207,
    WM_MBUTTONUP = 0x0208,
    WM_MOUSEWHEEL = 0x020A,
    WM_DEVICECHANGE = 0x0219,
    WM_EXITSIZEMOVE = 0x0232,
    WM_DROPFILES = 0x0233,
    WM_MOUSEHOVER = 0x02A1,
    WM_MOUSELEAVE = 0x02A3,
    WM_USER = 0x0400,
    // The close request of a dialog; wParam is the close code.
    WM_USER_CLOSE_WINDOW = 0x0442,
    WM_APP = 0x8000,
};

// Mouse key flags of the mouse messages.
enum : unsigned { MK_LBUTTON = 0x1, MK_RBUTTON = 0x2, MK_SHIFT = 0x4, MK_CONTROL = 0x8, MK_MBUTTON = 0x10 };

// Hit-test result naming the caption (window dragging).
constexpr unsigned HTCAPTION = 2;

// Show commands.
enum : int {
    SW_HIDE = 0,
    SW_SHOWNORMAL = 1,
    SW_SHOWMINIMIZED = 2,
    SW_SHOWMAXIMIZED = 3,
    SW_SHOWNOACTIVATE = 4,
    SW_SHOW = 5,
    SW_MINIMIZE = 6,
    SW_RESTORE = 9
};

// Virtual key codes.
enum : unsigned {
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_PAUSE = 0x13,
    VK_CAPITAL = 0x14,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_SNAPSHOT = 0x2C,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_LWIN = 0x5B,
    VK_RWIN = 0x5C,
    VK_APPS = 0x5D,
    VK_NUMPAD0 = 0x60,
    VK_MULTIPLY = 0x6A,
    VK_ADD = 0x6B,
    VK_SUBTRACT = 0x6D,
    VK_DECIMAL = 0x6E,
    VK_DIVIDE = 0x6F,
    VK_F1 = 0x70,
    VK_F4 = 0x73,
    VK_F12 = 0x7B,
    VK_F24 = 0x87,
    VK_NUMLOCK = 0x90,
    VK_SCROLL = 0x91,
    VK_LSHIFT = 0xA0,
    VK_RSHIFT = 0xA1,
    VK_LCONTROL = 0xA2,
    VK_RCONTROL = 0xA3,
    VK_LMENU = 0xA4,
    VK_RMENU = 0xA5,
    VK_OEM_1 = 0xBA,
    VK_OEM_PLUS = 0xBB,
    VK_OEM_COMMA = 0xBC,
    VK_OEM_MINUS = 0xBD,
    VK_OEM_PERIOD = 0xBE,
    VK_OEM_2 = 0xBF,
    VK_OEM_3 = 0xC0,
    VK_OEM_4 = 0xDB,
    VK_OEM_5 = 0xDC,
    VK_OEM_6 = 0xDD,
    VK_OEM_7 = 0xDE,
    VK_OEM_102 = 0xE2,
};

// Control notification codes (msg of OnBaseMessage/OnMessage).
enum : unsigned {
    CN_PRESSED = 1,
    CN_CLICKED = 2,
    CN_DBLCLK = 3,
    CN_RCLICK = 5,
    CN_CHECK_BY_KEY = 7,
    CN_POS_CHANGED = 8,
    CN_ICON_PRESSED = 9,
    CN_KEYDOWN = 14,
    CN_FRAME_SELECTED = 24,
    CN_TEXT_CHANGED = 26,
    CN_COLOR_CHANGED = 27,
    CN_VALUE_CHANGED = 28,
    CN_EDIT_END = 29,
    CN_EDIT_BEGIN = 30,
    CN_EDIT_CLICK = 31,
};

// Modifier flags of CN_KEYDOWN and the window's key routing:
// (Alt ? 18 : Shift ? 16 : 0) | (Ctrl ? 17 : 0).
enum : unsigned { MF_NONE = 0, MF_SHIFT = 16, MF_CTRL = 17, MF_ALT = 18, MF_ALT_CTRL = 19 };
[[nodiscard]] constexpr unsigned ComputeModifierFlags(bool shift, bool ctrl, bool alt) noexcept {
    return (alt ? MF_ALT : shift ? MF_SHIFT : MF_NONE) | (ctrl ? MF_CTRL : MF_NONE);
}

// Dialog close codes.
enum : unsigned { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };
