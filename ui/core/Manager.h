// Manager: the toolkit's process-wide settings (static members only).
#pragma once

#include <cstdint>

#include "ui/base/CString.h"
#include "ui/core/Types.h"

class MWindow;

class Manager {
public:
    Manager() = delete;

    // The application's module. On Linux there is no module handle; the value
    // is kept opaque for callers that pass one around.
    static void SetInstance(void* instance);
    static void* GetInstance();

    // The product name (window title, single-instance name, paths).
    static void SetDeviceName(const CString& name);
    static CString GetDeviceName();

    static void SetFontName(const CString& name);
    static CString GetFontName();
    static void SetFont(const CString& name, int size);
    static int GetFontWidth();

    // ARGB highlight colour of selected rows in the list controls.
    static uint32_t GetSelectColor();

    // Skin sub-folder under skins/, with its trailing separator.
    static CString GetTheme();

    // Library start-up and shut-down (fontconfig is set up lazily by the
    // back end); both empty the window set.
    static void InitGdiplus();
    static void UnInitGdiplus();

    static void AddWnd(MWindow* window);
    static void DeleteWnd(MWindow* window);
    [[nodiscard]] static int GetWndCount();

    // Runs the UI thread's message loop until the quit message; returns its
    // exit code. While Alt and F4 are both held every message is dropped, so
    // Alt+F4 never closes a window from this loop.
    static int MessageLoop();
    // 1 (consumed) while Alt and F4 are both held.
    static int PreTranslateMessage(MSG* msg);
};
