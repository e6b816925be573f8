// Lifetime and threads: controls added and removed while the animation
// timer ticks them, controls freed while the paint manager still points at
// them (hover, focus, capture, tooltip owner, animation list, control
// timers, queued repaints), and a control removed from its own handler.
// Run under AddressSanitizer and ThreadSanitizer to mean anything.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "tests/ui/UiTestSupport.h"
#include "ui/control/MPanel.h"
#include "ui/core/PaintManager.h"

using namespace uitest;

namespace {

// Changes its look on every tick, as an animated control does.
class Ticker : public RecordingControl {
public:
    using RecordingControl::RecordingControl;
    int OnControlTimer() override {
        ++ticks;
        color = 0xFF000000u | static_cast<ARGB>(ticks.load() * 2654435761u);
        UpdateControl(1, 0);
        return 1;
    }
    std::atomic<ARGB> color{0xFF000000};
};

// Removes itself from the dialog when clicked.
class SelfRemover : public RecordingControl {
public:
    SelfRemover(MObject* parent, unsigned id, CRect rc, MDialog* dialog)
        : RecordingControl(parent, id, rc), m_dialog(dialog) {}
    int OnControlLButtonUp(unsigned flags, CPoint pt) override {
        RecordingControl::OnControlLButtonUp(flags, pt);
        m_dialog->GetPaintManager().RemoveControl(this);
        // Still safe to touch: freed only after the message.
        ++ups;
        return 1;
    }

private:
    MDialog* m_dialog;
};

}  // namespace

TEST(LifetimeTest, ControlsComeAndGoWhileTheAnimationTimerTicks) {
    UseHeadless();
    TestDialog dialog;
    ASSERT_TRUE(dialog.Open(CRect(0, 0, 300, 200)));
    dialog.ShowWindow(SW_SHOW);
    PaintManager& pm = dialog.GetPaintManager();
    ASSERT_NE(dialog.SetMTimer(1), 0u);
    HWND hwnd = dialog.GetSafeHwnd();
    std::mt19937 random(7);
    std::vector<MControl*> live;
    auto* panel = dialog.Add<MPanel>(900u, CRect(200, 0, 300, 200), u"");
    unsigned nextId = 10;
    int removed = 0;
    for (int round = 0; round < 150; ++round) {
        const int x = static_cast<int>(random() % 180);
        const int y = static_cast<int>(random() % 180);
        Ticker* t = nullptr;
        if (random() % 3 == 0) {
            t = new Ticker(panel, nextId++, CRect(200 + x % 80, y, 220 + x % 80, y + 20));
            t->SetManager(&pm);
            panel->AddControl(t);
        } else {
            t = dialog.Add<Ticker>(nextId++, CRect(x, y, x + 20, y + 20));
        }
        t->SetRunTimer(1);
        t->AddMTimer();
        if (random() % 2) t->AddMTimer();  // the list keeps no duplicate check
        t->SetTooltip(u"tip");
        pm.SetTimer(t, 1, 1);
        live.push_back(t);
        // Make it the hover, focus and tooltip owner.
        Platform::InjectMouseMove(hwnd, {x + 5, y + 5});
        Platform::InjectMouseButton(hwnd, {x + 5, y + 5}, 1, true);
        Pump(1);
        if (live.size() > 8) {
            const size_t victim = random() % live.size();
            MControl* c = live[victim];
            live.erase(live.begin() + static_cast<std::ptrdiff_t>(victim));
            if (c->GetParantObject() == panel)
                panel->RemoveControl(c);
            else
                pm.RemoveControl(c);
            ++removed;
        }
        Platform::InjectMouseButton(hwnd, {x + 5, y + 5}, 1, false);
        Pump(1);
        dialog.UpdateWindow();
    }
    EXPECT_GT(removed, 0);
    // Clearing everything while ticks run.
    pm.ClearControls();
    EXPECT_EQ(pm.GetHoverControl(), nullptr);
    EXPECT_EQ(pm.GetFocusControl(), nullptr);
    Pump();
    dialog.KillMTimer(pm.GetMTimerID());
}

TEST(LifetimeTest, AControlMayRemoveItselfFromItsOwnHandler) {
    UseHeadless();
    TestDialog dialog;
    ASSERT_TRUE(dialog.Open());
    dialog.ShowWindow(SW_SHOW);
    auto* c = dialog.Add<SelfRemover>(5u, CRect(10, 10, 50, 50), &dialog);
    (void)c;
    HWND hwnd = dialog.GetSafeHwnd();
    Platform::InjectMouseMove(hwnd, {20, 20});
    Platform::InjectMouseButton(hwnd, {20, 20}, 1, true);
    Platform::InjectMouseButton(hwnd, {20, 20}, 1, false);
    Pump();
    EXPECT_EQ(dialog.GetControl(5), nullptr);
    EXPECT_EQ(dialog.GetPaintManager().GetHoverControl(), nullptr);
    // Further input finds nothing stale.
    Platform::InjectMouseMove(hwnd, {25, 25});
    Platform::InjectMouseButton(hwnd, {25, 25}, 1, true);
    Platform::InjectMouseButton(hwnd, {25, 25}, 1, false);
    Pump();
}

TEST(LifetimeTest, AHandlerMayDestroyItsWindow) {
    UseHeadless();
    struct Closer : public RecordingControl {
        using RecordingControl::RecordingControl;
        MDialog* dialog = nullptr;
        int OnControlLButtonUp(unsigned flags, CPoint pt) override {
            dialog->DestroyWindow();  // frees every control, this one too
            return RecordingControl::OnControlLButtonUp(flags, pt);
        }
    };
    TestDialog dialog;
    ASSERT_TRUE(dialog.Open());
    dialog.ShowWindow(SW_SHOW);
    auto* closer = dialog.Add<Closer>(5u, CRect(10, 10, 50, 50));
    closer->dialog = &dialog;
    HWND hwnd = dialog.GetSafeHwnd();
    Platform::InjectMouseMove(hwnd, {20, 20});
    Platform::InjectMouseButton(hwnd, {20, 20}, 1, true);
    Platform::InjectMouseButton(hwnd, {20, 20}, 1, false);
    Pump();
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
    EXPECT_TRUE(dialog.GetControls().empty());
}

TEST(LifetimeTest, OnlyVisibleRunningControlsInVisibleParentsTick) {
    UseHeadless();
    TestDialog dialog;
    ASSERT_TRUE(dialog.Open());
    PaintManager& pm = dialog.GetPaintManager();
    auto* running = dialog.Add<RecordingControl>(1u, CRect(0, 0, 10, 10));
    auto* stopped = dialog.Add<RecordingControl>(2u, CRect(0, 0, 10, 10));
    auto* hiddenParent = dialog.Add<RecordingControl>(3u, CRect(0, 0, 50, 50));
    auto* inHidden = new RecordingControl(hiddenParent, 4, CRect(0, 0, 10, 10));
    inHidden->SetManager(&pm);
    hiddenParent->AddControl(inHidden);
    RecordingControl orphan(nullptr, 5, CRect(0, 0, 10, 10));  // no parent: never visible
    orphan.SetManager(&pm);
    for (auto* c : {running, stopped, inHidden, &orphan}) c->AddMTimer();
    running->SetRunTimer(1);
    inHidden->SetRunTimer(1);
    orphan.SetRunTimer(1);
    hiddenParent->SetVisible(0);
    ASSERT_NE(dialog.SetMTimer(1), 0u);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (running->ticks < 5 && std::chrono::steady_clock::now() < end) {
        Pump(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    dialog.KillMTimer(pm.GetMTimerID());
    EXPECT_GE(running->ticks, 5);
    EXPECT_EQ(stopped->ticks, 0);
    EXPECT_EQ(inHidden->ticks, 0);
    EXPECT_EQ(orphan.ticks, 0);
    pm.DeleteFSTimer(&orphan);
}
