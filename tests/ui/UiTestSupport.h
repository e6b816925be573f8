// Helpers of the toolkit tests: headless windows, a recording control and
// pumping the loop.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "ui/backend/MCanvas.h"
#include "ui/backend/Platform.h"
#include "ui/control/MControl.h"
#include "ui/window/MDialog.h"

namespace uitest {

// Windows are offscreen whatever display the machine has.
inline void UseHeadless() {
    setenv("TASTRA_UI_HEADLESS", "1", 1);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    Platform::Init();
}

inline void Pump(int rounds = 3) {
    for (int i = 0; i < rounds; ++i) Platform::PumpMessages();
}

// A control that paints its rect in one colour through its cache and
// records what reached it.
class RecordingControl : public MControl {
public:
    RecordingControl(MObject* parent, unsigned id, CRect rc, ARGB color = 0xFF2080C0)
        : MControl(parent, id, rc, 1, 1, 1), color(color) {}
    void DrawControl(HDC& hdc, CRect) override {
        ++draws;
        const CRect rc = GetRect();
        if (!m_update) {
            ++cacheBuilds;
            MCanvas* cache = UpdateMemDC(hdc, rc.Width(), rc.Height());
            cache->ClearRect(CRect(0, 0, rc.Width(), rc.Height()), color);
        }
        DrawCacheToTarget(hdc);
    }
    int OnControlLButtonDown(unsigned, CPoint pt) override {
        ++downs;
        lastPoint = pt;
        SendMessageW(CN_PRESSED, 0, 0);
        return 1;
    }
    int OnControlLButtonUp(unsigned, CPoint pt) override {
        ++ups;
        lastPoint = pt;
        if (GetRect().PtInRect(pt)) SendMessageW(CN_CLICKED, 0, 0);
        return 1;
    }
    int OnControlLButtonDblClk(unsigned, CPoint) override {
        ++dblClicks;
        return 1;
    }
    int OnControlMouseMove(unsigned, CPoint pt) override {
        ++moves;
        lastMove = pt;
        return 1;
    }
    int OnControlScroll(int, unsigned dir, CPoint) override {
        scrolls.push_back(dir);
        return 1;
    }
    int OnControlKeyDown(unsigned key, unsigned, unsigned flags) override {
        keys.push_back(key);
        lastKeyFlags = flags;
        return 0;
    }
    int OnControlTimer() override {
        ++ticks;
        return 0;
    }
    void SetDoubleClicks(int on) { m_dblClk = on; }

    ARGB color;
    int draws = 0;
    int cacheBuilds = 0;
    int downs = 0;
    int ups = 0;
    int dblClicks = 0;
    int moves = 0;
    std::vector<unsigned> scrolls;
    std::vector<unsigned> keys;
    unsigned lastKeyFlags = 0;
    CPoint lastPoint{-100, -100};
    CPoint lastMove{-100, -100};
    std::atomic<int> ticks{0};
};

// A dialog that records its notifications.
class TestDialog : public MDialog {
public:
    long OnMessage(unsigned ctrlId, unsigned msg, unsigned wParam, long lParam) override {
        notes.push_back({ctrlId, msg, wParam, lParam});
        return 0;
    }
    struct Note {
        unsigned id;
        unsigned msg;
        unsigned wParam;
        long lParam;
    };
    std::vector<Note> notes;
    // Creates the window (hidden) at rc.
    bool Open(CRect rc = CRect(0, 0, 400, 300)) { return Create(nullptr, u"test", 0, 0, rc) != nullptr; }
    template <typename T, typename... Args>
    T* Add(Args&&... args) {
        auto* c = new T(this, std::forward<Args>(args)...);
        AddControl(c);
        return c;
    }
};

}  // namespace uitest
