#include "ui/core/Manager.h"

#include <mutex>
#include <set>

#include "ui/backend/Platform.h"

namespace {

// Settings are written at start-up on the UI thread and read from any thread
// (timer ticks draw text too), so they sit behind one lock.
struct ManagerState {
    std::mutex lock;
    void* instance = nullptr;
    CString deviceName = u"Tastra";
    CString fontName = u"SourceHanSansCN-Regular";
    int fontWidth = 14;
    std::set<MWindow*> windows;
};

ManagerState& State() {
    static ManagerState state;
    return state;
}

constexpr uint32_t kSelectColor = 0xFF285055;

}  // namespace

void Manager::SetInstance(void* instance) {
    std::lock_guard guard(State().lock);
    State().instance = instance;
}

void* Manager::GetInstance() {
    std::lock_guard guard(State().lock);
    return State().instance;
}

void Manager::SetDeviceName(const CString& name) {
    std::lock_guard guard(State().lock);
    State().deviceName = name;
}

CString Manager::GetDeviceName() {
    std::lock_guard guard(State().lock);
    return State().deviceName;
}

void Manager::SetFontName(const CString& name) {
    std::lock_guard guard(State().lock);
    State().fontName = name;
}

CString Manager::GetFontName() {
    std::lock_guard guard(State().lock);
    return State().fontName;
}

void Manager::SetFont(const CString& name, int size) {
    std::lock_guard guard(State().lock);
    State().fontName = name;
    State().fontWidth = size;
}

int Manager::GetFontWidth() {
    std::lock_guard guard(State().lock);
    return State().fontWidth;
}

uint32_t Manager::GetSelectColor() {
    return kSelectColor;
}

CString Manager::GetTheme() {
    return u"theme1/";
}

void Manager::AddWnd(MWindow* window) {
    std::lock_guard guard(State().lock);
    State().windows.insert(window);
}

void Manager::DeleteWnd(MWindow* window) {
    std::lock_guard guard(State().lock);
    State().windows.erase(window);
}

int Manager::GetWndCount() {
    std::lock_guard guard(State().lock);
    return static_cast<int>(State().windows.size());
}

void Manager::InitGdiplus() {
    Platform::Init();
    std::lock_guard guard(State().lock);
    State().windows.clear();
}

void Manager::UnInitGdiplus() {
    std::lock_guard guard(State().lock);
    State().windows.clear();
}

int Manager::PreTranslateMessage(MSG*) {
    return Platform::IsKeyDown(VK_MENU) && Platform::IsKeyDown(VK_F4) ? 1 : 0;
}

int Manager::MessageLoop() {
    MSG msg;
    while (Platform::GetMessage(msg)) {
        if (PreTranslateMessage(&msg)) continue;
        Platform::DispatchMessage(msg);
    }
    return static_cast<int>(msg.wParam);
}
